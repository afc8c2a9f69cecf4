#include "app/Settings.h"

#include "LogCapture.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

namespace {

Settings loadFrom(const TempDirectory& directory, const std::string& content)
{
    directory.write("settings.txt", content);
    Settings settings;
    settings.load();
    return settings;
}

} // namespace

TEST(Settings, PairsTokensWhateverTheLayout)
{
    TempDirectory directory;
    for (const char* content : {"FULLSCREEN 0\nWIDTH 1280\nHEIGHT 720\n",
                                "FULLSCREEN 0 WIDTH 1280 HEIGHT 720",
                                "FULLSCREEN\n0\n\tWIDTH\n\n1280\r\nHEIGHT   720"}) {
        const Settings settings = loadFrom(directory, content);
        EXPECT_EQ(settings.getInt("FULLSCREEN"), 0) << content;
        EXPECT_EQ(settings.getInt("WIDTH"), 1280) << content;
        EXPECT_EQ(settings.getInt("HEIGHT"), 720) << content;
    }
}

TEST(Settings, LastValueWinsAndAnUnpairedFinalKeyIsDropped)
{
    TempDirectory directory;
    EXPECT_EQ(loadFrom(directory, "WIDTH 800\nHEIGHT 600\nWIDTH 1024\n").getInt("WIDTH"), 1024);

    const Settings unpaired = loadFrom(directory, "WIDTH 800 HEIGHT");
    EXPECT_EQ(unpaired.getInt("WIDTH"), 800);
    EXPECT_EQ(unpaired.getInt("HEIGHT"), -1);
}

TEST(Settings, AStrayTokenShiftsThePairingAndKeysAreCaseSensitive)
{
    TempDirectory directory;
    const Settings settings = loadFrom(directory, "# WIDTH 800 HEIGHT 600");
    EXPECT_EQ(settings.getInt("#"), 0);
    EXPECT_EQ(settings.getInt("800"), 0);
    EXPECT_EQ(settings.getInt("WIDTH"), -1);
    EXPECT_EQ(loadFrom(directory, "WIDTH 800").getInt("width"), -1);
}

TEST(Settings, ConvertsValuesLikeAtoi)
{
    TempDirectory directory;
    const Settings settings = loadFrom(directory, "A abc B -5 C +7 D 720px E 0012 F - G 3.9");
    EXPECT_EQ(settings.getInt("A"), 0);
    EXPECT_EQ(settings.getInt("B"), -5);
    EXPECT_EQ(settings.getInt("C"), 7);
    EXPECT_EQ(settings.getInt("D"), 720);
    EXPECT_EQ(settings.getInt("E"), 12);
    EXPECT_EQ(settings.getInt("F"), 0);
    EXPECT_EQ(settings.getInt("G"), 3);
}

TEST(Settings, ClampsValuesBeyondThe32BitRange)
{
    TempDirectory directory;
    const Settings settings = loadFrom(directory,
                                       "MAX 2147483647 MIN -2147483648 OVER 2147483648 UNDER -2147483649 "
                                       "HUGE 99999999999999999999999999 TINY -99999999999999999999999999");
    EXPECT_EQ(settings.getInt("MAX"), 2147483647);
    EXPECT_EQ(settings.getInt("MIN"), -2147483647 - 1);
    EXPECT_EQ(settings.getInt("OVER"), 2147483647);
    EXPECT_EQ(settings.getInt("UNDER"), -2147483647 - 1);
    EXPECT_EQ(settings.getInt("HUGE"), 2147483647);
    EXPECT_EQ(settings.getInt("TINY"), -2147483647 - 1);
}

TEST(Settings, AByteOrderMarkHidesTheFirstKey)
{
    TempDirectory directory;
    const Settings settings = loadFrom(directory, "\xEF\xBB\xBF" "FULLSCREEN 0\nWIDTH 1280\n");
    EXPECT_EQ(settings.getInt("FULLSCREEN"), -1);
    EXPECT_EQ(settings.getInt("\xEF\xBB\xBF" "FULLSCREEN"), 0);
    EXPECT_EQ(settings.getInt("WIDTH"), 1280);
}

TEST(Settings, AMissingFileIsLoggedOnceAndEveryKeyReadsMinusOne)
{
    TempDirectory directory;
    Settings settings;
    LogCapture log;
    settings.load();
    EXPECT_EQ(log.text(), "ERROR Settings: Could not find settings.txt\n");
    EXPECT_EQ(settings.getInt("FULLSCREEN"), -1);
    EXPECT_EQ(settings.getInt("WIDTH"), -1);
    EXPECT_EQ(settings.getInt("HEIGHT"), -1);
    EXPECT_EQ(log.lines().size(), 1u);
}

#include "app/Settings.h"

#include "LogCapture.h"
#include "TempDirectory.h"
#include "UnprivilegedUser.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

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

TEST(Settings, BinaryBytesAreOrdinaryTokenCharacters)
{
    TempDirectory directory;
    // NUL bytes, invalid UTF-8 and control characters that are not blanks
    // belong to the token they sit in; only whitespace separates.
    const char content[] = "\xff\xfe\x80 \xc3\x28\n"
                           "WIDTH\0 5\n"
                           "\x01HEIGHT 7\n"
                           "WIDTH 640\0px HEIGHT\v480\f";
    const Settings settings = loadFrom(directory, std::string(content, sizeof content - 1));
    EXPECT_EQ(settings.getInt("\xff\xfe\x80"), 0);
    EXPECT_EQ(settings.getInt(std::string("WIDTH\0", 6)), 5);
    EXPECT_EQ(settings.getInt("\x01HEIGHT"), 7);
    EXPECT_EQ(settings.getInt("WIDTH"), 640);
    EXPECT_EQ(settings.getInt("HEIGHT"), 480);
}

TEST(Settings, HugeTokensAreReadWhole)
{
    TempDirectory directory;
    const std::string longDigits(24 * 1024 * 1024, '9');
    const std::string longKey(8 * 1024 * 1024, 'K');
    const Settings settings =
        loadFrom(directory, "WIDTH " + longDigits + "\n" + longKey + " 12\nHEIGHT -" + longDigits + "\n");
    EXPECT_EQ(settings.getInt("WIDTH"), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(settings.getInt("HEIGHT"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(settings.getInt(longKey), 12);
    EXPECT_EQ(settings.getInt(longKey.substr(1)), -1);
}

TEST(Settings, AFileBeyondTheSizeLimitIsRefusedUnread)
{
    TempDirectory directory;
    const std::filesystem::path settingsPath = directory.path() / "settings.txt";
    const auto loadSized = [&](std::uintmax_t size) {
        directory.write("settings.txt", "WIDTH 320\n");
        // Sparse: the NUL bytes after the text take no disk.
        std::filesystem::resize_file(settingsPath, size);
        Settings settings;
        settings.load();
        return settings;
    };
    EXPECT_EQ(loadSized(Settings::maxFileBytes).getInt("WIDTH"), 320);
    for (const std::uintmax_t size : {Settings::maxFileBytes + 1, std::uintmax_t{100} << 30}) {
        LogCapture log;
        EXPECT_EQ(loadSized(size).getInt("WIDTH"), -1) << size;
        EXPECT_EQ(log.text(), "ERROR Settings: settings.txt is larger than 64 MiB\n") << size;
    }
}

TEST(Settings, ReadingReplacesEarlierPairsAndAFailingStreamLeavesNone)
{
    TempDirectory directory;
    Settings settings;
    std::istringstream first("WIDTH 800 HEIGHT 600");
    ASSERT_TRUE(settings.read(first));
    std::istringstream second("HEIGHT 200");
    ASSERT_TRUE(settings.read(second));
    EXPECT_EQ(settings.getInt("WIDTH"), -1);
    EXPECT_EQ(settings.getInt("HEIGHT"), 200);

    // A directory opens as a file stream on Linux and then fails to read.
    std::ifstream folder(directory.path());
    ASSERT_TRUE(folder.is_open());
    EXPECT_FALSE(settings.read(folder));
    EXPECT_EQ(settings.getInt("HEIGHT"), -1);
}

TEST(Settings, SomethingOtherThanARegularFileIsNotRead)
{
    TempDirectory directory;
    const std::filesystem::path settingsPath = directory.path() / "settings.txt";
    const auto makeDirectory = [&] { std::filesystem::create_directory(settingsPath); };
    // Opening a pipe without a writer would block for ever.
    const auto makePipe = [&] { ASSERT_EQ(mkfifo(settingsPath.c_str(), 0600), 0); };
    // A device that never ends would grow one token without bound.
    const auto makeEndlessDevice = [&] { std::filesystem::create_symlink("/dev/zero", settingsPath); };
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"directory", makeDirectory}, {"pipe", makePipe}, {"link to /dev/zero", makeEndlessDevice}};

    for (const auto& [label, make] : cases) {
        std::filesystem::remove_all(settingsPath);
        make();
        Settings settings;
        LogCapture log;
        settings.load();
        EXPECT_EQ(log.text(), "ERROR Settings: Could not find settings.txt\n") << label;
        EXPECT_EQ(settings.getInt("WIDTH"), -1) << label;
    }

    // A link to a regular file is read through.
    std::filesystem::remove_all(settingsPath);
    directory.write("real.txt", "WIDTH 320");
    std::filesystem::create_symlink("real.txt", settingsPath);
    Settings linked;
    linked.load();
    EXPECT_EQ(linked.getInt("WIDTH"), 320);
}

TEST(Settings, AnUnreadableFileIsReportedLikeAMissingOne)
{
    TempDirectory directory;
    directory.write("settings.txt", "WIDTH 320");
    // The folder stays searchable, so that the file's own mode is what stops
    // the read.
    ASSERT_EQ(chmod(directory.path().c_str(), 0755), 0);
    ASSERT_EQ(chmod((directory.path() / "settings.txt").c_str(), 0), 0);
    Settings settings;
    LogCapture log;
    {
        const UnprivilegedUser user;
        if (!user.permissionsBind()) {
            GTEST_SKIP() << "file permissions do not bind root";
        }
        settings.load();
    }
    EXPECT_EQ(log.text(), "ERROR Settings: Could not find settings.txt\n");
    EXPECT_EQ(settings.getInt("WIDTH"), -1);
}

#include "ChildProcess.h"
#include "ShippedScene.h"
#include "TempDirectory.h"
#include "XSession.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

constexpr const char* windowFailure = "Failed to open GLFW window.\n";
constexpr const char* settingsFailure = "ERROR Settings: Could not find settings.txt\n";

// The real program started on a hand-made settings.txt. The window fails
// before any scene loads, so only the window's own failure is at stake.
class BadSettingsEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(x.isOpen()) << "these tests need an X display"; }

    std::unique_ptr<ChildProcess> start()
    {
        return std::make_unique<ChildProcess>(GLIMMERHALL_BINARY, workspace.path(), ChildProcess::Options{});
    }

    std::filesystem::path settingsPath() const { return workspace.path() / "settings.txt"; }

    TempDirectory workspace;
    XSession x;
};

std::string bytes(const char* text, std::size_t size)
{
    return std::string(text, size);
}

} // namespace

TEST_F(BadSettingsEndToEnd, ContentWithoutAUsableSizeFailsAtOnce)
{
    const char binary[] = "\x00\xff\xfe\x80\xc3\x28 \x01\x02\n\x00WIDTH\x00 320 HEIGHT\xef\xbb\xbf 200\x7f";
    const std::pair<const char*, std::string> cases[] = {
        {"empty", ""},
        {"binary", bytes(binary, sizeof binary - 1)},
        {"one huge token", std::string(32 * 1024 * 1024, 'W')},
        {"zero width", "FULLSCREEN 0\nWIDTH 0\nHEIGHT 200\n"},
        {"negative height", "FULLSCREEN 0\nWIDTH 320\nHEIGHT -200\n"},
        {"width below the 32-bit range", "FULLSCREEN 0\nWIDTH -99999999999\nHEIGHT 200\n"},
        {"sizes that are not numbers", "FULLSCREEN 0\nWIDTH abc\nHEIGHT 0x200\n"},
        {"full screen of zero size", "FULLSCREEN 1\nWIDTH 0\nHEIGHT 0\n"},
        {"sizes past the 32-bit range", "FULLSCREEN 0\nWIDTH 99999999999\nHEIGHT 99999999999\n"},
        {"sizes past any viewport", "FULLSCREEN 0\nWIDTH 40000\nHEIGHT 40000\n"},
        {"one side past any viewport", "FULLSCREEN 0\nWIDTH 16385\nHEIGHT 200\n"},
    };
    for (const auto& [label, content] : cases) {
        workspace.write("settings.txt", content);
        const auto program = start();
        EXPECT_EQ(program->waitForExit(20s), 1) << label;
        EXPECT_EQ(program->standardOutput(), "") << label;
        EXPECT_EQ(program->standardError(), windowFailure) << label;
    }
}

TEST_F(BadSettingsEndToEnd, ADirectoryInPlaceOfTheFileIsReportedAsMissing)
{
    std::filesystem::create_directory(settingsPath());
    workspace.write("settings.txt/WIDTH", "320");
    const auto program = start();

    EXPECT_EQ(program->waitForExit(20s), 1);
    EXPECT_EQ(program->standardOutput(), settingsFailure);
    EXPECT_EQ(program->standardError(), windowFailure);
}

TEST_F(BadSettingsEndToEnd, AnUnreadableFileIsReportedAsMissing)
{
    if (geteuid() == 0) {
        GTEST_SKIP() << "file permissions do not bind root";
    }
    workspace.write("settings.txt", "FULLSCREEN 0\nWIDTH 320\nHEIGHT 200\n");
    ASSERT_EQ(chmod(settingsPath().c_str(), 0), 0);
    const auto program = start();

    EXPECT_EQ(program->waitForExit(20s), 1);
    EXPECT_EQ(program->standardOutput(), settingsFailure);
    EXPECT_EQ(program->standardError(), windowFailure);
}

TEST_F(BadSettingsEndToEnd, BinaryPairsAroundTheSizesStillOpenTheWindow)
{
    const char content[] = "\x00\xff\xfe \x80\xc3\x28\n"
                           "FULLSCREEN 0\r\n"
                           "WIDTH 320px\x00\n"
                           "\x01\x02 \x7f\n"
                           "HEIGHT 00200\n";
    workspace.write("settings.txt", bytes(content, sizeof content - 1));
    const auto program = start();
    const XSession::WindowId window = x.waitForWindowOf(program->pid(), 20s);
    ASSERT_NE(window, 0u) << program->standardError();
    EXPECT_EQ(x.size(window), std::make_pair(320, 200));
    const auto clearedCentre = [](const RgbImage& picture) {
        return picture.matches(picture.width / 2, picture.height / 2, clearColour, 2);
    };
    ASSERT_TRUE(x.waitForPicture(window, clearedCentre, 20s)) << "no frame was presented";

    x.focus(window);
    x.pressKey("Escape");
    EXPECT_EQ(program->waitForExit(30s), 0);
    EXPECT_EQ(program->standardError(), "");
}

TEST_F(BadSettingsEndToEnd, FullScreenTakesTheClosestVideoModeWhateverTheSize)
{
    // The test's X server has one video mode, the size of its screen.
    for (const char* content : {"FULLSCREEN 1\nWIDTH 40000\nHEIGHT 40000\n",
                                "FULLSCREEN 1\nWIDTH 99999999999\nHEIGHT 99999999999\n"}) {
        SCOPED_TRACE(content);
        workspace.write("settings.txt", content);
        const auto program = start();
        const XSession::WindowId window = x.waitForWindowOf(program->pid(), 20s);
        ASSERT_NE(window, 0u) << program->standardError();
        EXPECT_EQ(x.size(window), x.screenSize());
        x.focus(window);
        x.pressKey("Escape");
        EXPECT_EQ(program->waitForExit(30s), 0);
        EXPECT_EQ(program->standardError(), "");
    }
}

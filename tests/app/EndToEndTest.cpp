#include "ChildProcess.h"
#include "ShippedScene.h"
#include "TempDirectory.h"
#include "XSession.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;

namespace {

class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(x.isOpen()) << "these tests need an X display";
        workspace.write("settings.txt", "FULLSCREEN 0\nWIDTH 320\nHEIGHT 200\n");
    }

    std::unique_ptr<ChildProcess> start(ChildProcess::Options options = {})
    {
        return std::make_unique<ChildProcess>(GLIMMERHALL_BINARY, workspace.path(), options);
    }

    // Waits for the program's window and for a presented frame in it.
    XSession::WindowId waitForFirstFrame(const ChildProcess& program)
    {
        const XSession::WindowId window = x.waitForWindowOf(program.pid(), 20s);
        if (window == 0) {
            return 0;
        }
        const auto clearedCentre = [](const RgbImage& picture) {
            return picture.matches(picture.width / 2, picture.height / 2, clearColour, 2);
        };
        return x.waitForPicture(window, clearedCentre, 20s) ? window : 0;
    }

    TempDirectory workspace;
    XSession x;
};

} // namespace

TEST_F(EndToEnd, OpensTheConfiguredWindowAndEndsWithEscape)
{
    const auto program = start();
    const XSession::WindowId window = waitForFirstFrame(*program);
    ASSERT_NE(window, 0u) << program->standardError();

    EXPECT_EQ(x.title(window), "Glimmerhall");
    EXPECT_EQ(x.size(window), std::make_pair(320, 200));

    x.focus(window);
    x.pressKey("Escape");
    EXPECT_EQ(program->waitForExit(20s), 0);
    EXPECT_EQ(program->standardError(), "");
}

TEST_F(EndToEnd, ACloseRequestLeavesTheProgramRunning)
{
    const auto program = start();
    const XSession::WindowId window = waitForFirstFrame(*program);
    ASSERT_NE(window, 0u);

    x.requestClose(window);
    EXPECT_FALSE(program->waitForExit(1500ms).has_value());

    x.focus(window);
    x.pressKey("Escape");
    EXPECT_EQ(program->waitForExit(20s), 0);
}

TEST_F(EndToEnd, OtherKeysAndAnEscapeReleaseAloneLeaveItRunning)
{
    const auto program = start();
    const XSession::WindowId window = waitForFirstFrame(*program);
    ASSERT_NE(window, 0u);

    // Escape goes down while no window has the focus; the window then sees
    // only its release.
    x.focus(0);
    x.keyDown("Escape");
    x.focus(window);
    x.keyUp("Escape");
    // A held key repeats; Return, Q and Space do nothing.
    x.keyDown("space");
    std::this_thread::sleep_for(800ms);
    x.keyUp("space");
    x.pressKey("Return");
    x.pressKey("q");
    EXPECT_FALSE(program->waitForExit(1000ms).has_value());

    x.pressKey("Escape");
    EXPECT_EQ(program->waitForExit(20s), 0);
}

TEST_F(EndToEnd, HoldingEscapeEndsTheProgramOnce)
{
    const auto program = start();
    const XSession::WindowId window = waitForFirstFrame(*program);
    ASSERT_NE(window, 0u);

    x.focus(window);
    x.keyDown("Escape");
    const std::optional<int> status = program->waitForExit(20s);
    x.keyUp("Escape");
    EXPECT_EQ(status, 0);
}

TEST_F(EndToEnd, AMissingSettingsFileFailsAtOnceWithoutAConsole)
{
    std::filesystem::remove(workspace.path() / "settings.txt");
    const auto program = start();

    EXPECT_EQ(program->waitForExit(10s), 1);
    EXPECT_EQ(program->standardOutput(), "ERROR Settings: Could not find settings.txt\n");
    EXPECT_EQ(program->standardError(), "Failed to open GLFW window.\n");
}

TEST_F(EndToEnd, AFatalFailureWaitsForAKeyOnAConsole)
{
    workspace.write("settings.txt", "FULLSCREEN 0\nWIDTH 0\nHEIGHT 200\n");
    const auto program = start({ChildProcess::Input::Terminal, false});

    EXPECT_FALSE(program->waitForExit(1500ms).has_value()) << "the program did not wait for a key";
    program->typeOnTerminal("x");
    EXPECT_EQ(program->waitForExit(10s), 1);
    EXPECT_NE(program->standardError().find("Failed to open GLFW window.\n"), std::string::npos);
}

TEST_F(EndToEnd, NoDisplayFailsToInitialiseGlfw)
{
    const auto program = start({ChildProcess::Input::Closed, true});

    EXPECT_EQ(program->waitForExit(10s), 1);
    EXPECT_EQ(program->standardError(), "failed to initialize GLFW\n");
}

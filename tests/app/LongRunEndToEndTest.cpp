#include "ChildProcess.h"
#include "ProcessStatus.h"
#include "ShippedScene.h"
#include "StandInWindowManager.h"
#include "TempDirectory.h"
#include "XSession.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr int windowWidth = 160;
constexpr int windowHeight = 120;

bool isClear(const RgbImage& picture, int x, int y)
{
    return picture.matches(x, y, clearColour, 2);
}

// Whether the window shows the room across its whole width: most pixels are
// not the clear colour, in many shades, and neither is the right edge. A
// viewport left at an earlier, smaller size would leave a cleared strip on
// the right or the top (the room has no ceiling, so the top may be clear).
bool showsTheSceneAcrossTheWindow(const RgbImage& picture)
{
    if (picture.width == 0) {
        return false;
    }
    int clear = 0;
    std::set<RgbImage::Pixel> shades;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            clear += isClear(picture, x, y) ? 1 : 0;
            shades.insert(picture.at(x, y));
        }
    }
    bool rightEdgeDrawn = false;
    for (int y = 0; y < picture.height; ++y) {
        rightEdgeDrawn = rightEdgeDrawn || !isClear(picture, picture.width - 1, y);
    }
    return clear < picture.width * picture.height / 2 && shades.size() > 50 && rightEdgeDrawn;
}

class LongRunEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(x.isOpen()) << "these tests need an X display";
        ASSERT_TRUE(manager.isOpen());
        copyShippedScene(workspace.path());
        workspace.write("settings.txt", "FULLSCREEN 0\nWIDTH " + std::to_string(windowWidth) + "\nHEIGHT " +
                                            std::to_string(windowHeight) + "\n");
    }

    // Waits for a picture of the scene, at the window's current size, that
    // differs from the last one seen: the camera has moved on since.
    bool showsTheSceneMovingOn(XSession::WindowId window)
    {
        const auto [width, height] = manager.size(window);
        const auto newSceneAtSize = [&, width = width, height = height](const RgbImage& picture) {
            return picture.width == width && picture.height == height && picture.rgb != lastPicture.rgb &&
                   showsTheSceneAcrossTheWindow(picture);
        };
        if (!x.waitForPicture(window, newSceneAtSize, 20s)) {
            return false;
        }
        lastPicture = x.capture(window);
        return true;
    }

    TempDirectory workspace;
    XSession x;
    StandInWindowManager manager;
    RgbImage lastPicture;
};

} // namespace

// The program runs on through a close request, resizes down to a single
// pixel and an iconified spell, drawing the moving scene at each new size,
// with its memory as it was after the first frames; Escape still ends it.
TEST_F(LongRunEndToEnd, KeepsRenderingThroughCloseRequestsResizesAndIconifying)
{
    ChildProcess program(GLIMMERHALL_BINARY, workspace.path(), {});
    const XSession::WindowId window = x.waitForWindowOf(program.pid(), 20s);
    ASSERT_NE(window, 0u) << program.standardError();
    ASSERT_TRUE(showsTheSceneMovingOn(window)) << program.standardOutput();
    ASSERT_TRUE(showsTheSceneMovingOn(window));
    const long settledKibibytes = residentKibibytes(program.pid());

    x.requestClose(window);
    EXPECT_FALSE(program.waitForExit(1s).has_value());
    EXPECT_TRUE(showsTheSceneMovingOn(window)) << "after a close request";

    for (const auto& [width, height] : std::vector<std::pair<int, int>>{{1, 1}, {3, 2}, {240, 60}, {90, 150}}) {
        manager.resize(window, width, height);
        ASSERT_EQ(manager.size(window), std::make_pair(width, height));
        if (width * height >= 100) {
            EXPECT_TRUE(showsTheSceneMovingOn(window)) << "at " << width << "x" << height;
        } else {
            std::this_thread::sleep_for(500ms);
            EXPECT_FALSE(program.hasExited()) << "at " << width << "x" << height;
        }
    }

    manager.resize(window, windowWidth, windowHeight);
    manager.iconify(window);
    ASSERT_FALSE(manager.isMapped(window));
    // Frames go on while nobody can see them: the process keeps using the
    // processor instead of blocking on the hidden window.
    const long long ticksBefore = processorTicks(program.pid());
    std::this_thread::sleep_for(1500ms);
    EXPECT_GT(processorTicks(program.pid()), ticksBefore);
    EXPECT_FALSE(program.hasExited());
    manager.restore(window);
    EXPECT_TRUE(showsTheSceneMovingOn(window)) << "after the window was restored";

    // Many frames later.
    for (int picture = 0; picture < 20; ++picture) {
        ASSERT_TRUE(showsTheSceneMovingOn(window));
        std::this_thread::sleep_for(500ms);
    }
    EXPECT_LE(residentKibibytes(program.pid()) - settledKibibytes, residentGrowthToleranceKibibytes);

    x.focus(window);
    x.pressKey("Escape");
    EXPECT_EQ(program.waitForExit(20s), 0);
    EXPECT_EQ(program.standardError(), "");
    EXPECT_EQ(program.standardOutput().find("ERROR"), std::string::npos) << program.standardOutput();
}

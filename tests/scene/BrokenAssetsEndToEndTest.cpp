#include "ChildProcess.h"
#include "FileContent.h"
#include "ShippedScene.h"
#include "TempDirectory.h"
#include "XSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

std::vector<std::string> errorLines(const std::string& output)
{
    std::vector<std::string> lines;
    std::istringstream stream(output);
    for (std::string line; std::getline(stream, line);) {
        if (line.find("ERROR") != std::string::npos) {
            lines.push_back(line);
        }
    }
    return lines;
}

// Whether a good part of the window shows more than the clear colour.
bool showsSomething(const RgbImage& picture)
{
    int drawn = 0;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            drawn += picture.matches(x, y, clearColour, 2) ? 0 : 1;
        }
    }
    return drawn > picture.width * picture.height / 8;
}

} // namespace

TEST(BrokenAssetsEndToEnd, TheProgramRunsOnWithoutWhatItCouldNotUseAndEndsWithEscape)
{
    XSession x;
    ASSERT_TRUE(x.isOpen()) << "this test needs an X display";
    TempDirectory workspace;
    copyShippedScene(workspace.path());
    const std::filesystem::path source(GLIMMERHALL_SOURCE_DIR);
    workspace.write("settings.txt", "FULLSCREEN 0\nWIDTH 320\nHEIGHT 180\n");

    // The room is cut off half way; the marker is a screen-filling triangle
    // under sound and unsound nodes; the camera's path runs through a key of
    // NaN and infinity; the light's file is empty.
    const std::string steps = fileContent(source / "res/assets/steps.dae");
    ASSERT_GT(steps.size(), 1000u);
    workspace.write("res/assets/steps.dae", steps.substr(0, steps.size() / 2));
    workspace.write("res/assets/point_light_sphere.dae", fileContent(source / "tests/scene/data/non_finite_nodes.dae"));
    workspace.write("res/assets/camera.dae", fileContent(source / "tests/animation/data/camera_non_finite_keys.dae"));
    workspace.write("res/assets/point_light.dae", "");

    ChildProcess program(GLIMMERHALL_BINARY, workspace.path(), {});
    const XSession::WindowId window = x.waitForWindowOf(program.pid(), 20s);
    ASSERT_NE(window, 0u) << program.standardError();
    EXPECT_TRUE(x.waitForPicture(window, showsSomething, 20s)) << "the window shows nothing";
    // The first frames sample the camera's path next to its bad key; past it
    // the camera moves on and the marker is still in view.
    std::this_thread::sleep_for(2500ms);
    EXPECT_TRUE(showsSomething(x.capture(window))) << "the window went blank along the camera's path";

    x.focus(window);
    x.pressKey("Escape");
    EXPECT_EQ(program.waitForExit(20s), 0);
    EXPECT_EQ(program.standardError(), "");

    const std::string output = program.standardOutput();
    const std::vector<std::string> errors = errorLines(output);
    const std::vector<std::string> expected = {
        "ERROR PointLight: Could not read file 'point_light.dae'",
        "ERROR AssetManager: Could not import asset 'steps'",
        "ERROR AssetManager: Node 'nan' has a transform that is not finite",
        "ERROR AssetManager: Node 'infinite' has a transform that is not finite",
        "ERROR AssetManager: Node 'parent' has a transform that is not finite",
    };
    for (const std::string& line : expected) {
        EXPECT_NE(std::find(errors.begin(), errors.end(), line), errors.end()) << line << "\n" << output;
    }
    const auto isCameraKeyLine = [](const std::string& line) {
        const std::string start = "ERROR CameraAnimation: Channel 'Eye' of animation '";
        const std::string end = "' has keys that are not finite";
        return line.size() >= start.size() + end.size() && line.rfind(start, 0) == 0 &&
               line.compare(line.size() - end.size(), end.size(), end) == 0;
    };
    EXPECT_EQ(std::count_if(errors.begin(), errors.end(), isCameraKeyLine), 1) << output;
    // Nothing else went wrong.
    EXPECT_EQ(errors.size(), expected.size() + 1) << output;
    EXPECT_NE(output.find("INFO AssetManager: Asset 'point_light_sphere' added successfully"), std::string::npos);
    EXPECT_EQ(output.find("INFO AssetManager: Asset 'steps' added successfully"), std::string::npos);
}

#include "ChildProcess.h"
#include "FileContent.h"
#include "ShippedScene.h"
#include "ImageForgery.h"
#include "TempDirectory.h"
#include "XSession.h"

#include "app/Application.h"

#include <glm/mat4x4.hpp>
#include <glm/matrix.hpp>
#include <glm/vec2.hpp>
#include <glm/vec4.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>

using namespace std::chrono_literals;

namespace {

constexpr int windowWidth = 320;
constexpr int windowHeight = 240;
const std::string settingsText = "FULLSCREEN 0\nWIDTH 320\nHEIGHT 240\n";

// still_camera.dae: six units above the origin looking straight down, the
// top of the window towards -z; still_light.dae: the light two units above
// the origin. Floor points at one distance from the axis through both are
// lit alike.
const glm::vec3 brokenPatch(1.75f, 0.0f, 0.0f);
const glm::vec3 plainPatch(-1.75f, 0.0f, 0.0f);
const glm::vec3 behindThePanel(0.0f, 0.0f, 2.25f);
const glm::vec3 besideThePanel(-2.25f, 0.0f, 0.0f);

// Where a world point appears in the window, from its top left.
RgbImage::Pixel seen(const RgbImage& picture, const glm::vec3& world)
{
    Settings settings;
    std::istringstream text(settingsText);
    settings.read(text);
    const glm::mat4 placement(glm::vec4(1, 0, 0, 0), glm::vec4(0, 0, -1, 0), glm::vec4(0, 1, 0, 0),
                              glm::vec4(0, 6, 0, 1));
    const glm::vec4 clip = Application::cameraProjection(settings) * glm::inverse(placement) * glm::vec4(world, 1);
    const glm::vec2 normalised = glm::vec2(clip) / clip.w;
    const int x = static_cast<int>(std::lround((normalised.x + 1.0f) * 0.5f * windowWidth));
    const int y = static_cast<int>(std::lround((1.0f - normalised.y) * 0.5f * windowHeight));
    return picture.at(x, y);
}

int brightness(const RgbImage::Pixel& pixel)
{
    return pixel[0] + pixel[1] + pixel[2];
}

void expectNear(const RgbImage::Pixel& actual, const RgbImage::Pixel& expected, const char* what)
{
    for (int channel = 0; channel < 3; ++channel) {
        EXPECT_NEAR(actual[channel], expected[channel], 2) << what << ", channel " << channel;
    }
}

// The program on the workspace's scene until its picture shows the floor;
// ended with Escape.
RgbImage runAndCapture(const TempDirectory& workspace)
{
    XSession x;
    EXPECT_TRUE(x.isOpen()) << "this test needs an X display";
    ChildProcess program(GLIMMERHALL_BINARY, workspace.path(), {});
    const XSession::WindowId window = x.waitForWindowOf(program.pid(), 20s);
    EXPECT_NE(window, 0u) << program.standardError();
    RgbImage picture;
    const auto showsTheFloor = [&picture](const RgbImage& candidate) {
        picture = candidate;
        return !candidate.rgb.empty() && brightness(seen(candidate, plainPatch)) > brightness(clearColour) + 60;
    };
    EXPECT_TRUE(x.waitForPicture(window, showsTheFloor, 20s)) << program.standardOutput();
    x.focus(window);
    x.pressKey("Escape");
    EXPECT_EQ(program.waitForExit(20s), 0);
    EXPECT_EQ(program.standardError(), "");
    return picture;
}

} // namespace

TEST(FallbackEndToEnd, FailedImagesLookUnnamedAndWithoutAShadowPassNothingIsShadowed)
{
    TempDirectory workspace;
    copyShippedScene(workspace.path());
    workspace.write("settings.txt", settingsText);
    const std::filesystem::path data = std::filesystem::path(GLIMMERHALL_SOURCE_DIR) / "tests/scene/data";
    workspace.write("res/assets/steps.dae", fileContent(data / "fallback_floor.dae"));
    workspace.write("res/assets/camera.dae", fileContent(data / "still_camera.dae"));
    workspace.write("res/assets/point_light.dae", fileContent(data / "still_light.dae"));
    std::filesystem::remove(workspace.path() / "res/assets/point_light_sphere.dae");
    // Plain defaults, so that symmetric points match; the strip drawn before
    // the broken patch leaves red and a leaning normal map on the units.
    const std::filesystem::path textures = workspace.path() / "res/texture";
    ASSERT_TRUE(ImageForgery::writeSolid(textures / "checkerboard.png", {200, 200, 200, 255}));
    ASSERT_TRUE(ImageForgery::writeSolid(textures / "normal_up.png", {128, 128, 255, 255}));
    ASSERT_TRUE(ImageForgery::writeSolid(textures / "red.png", {255, 0, 0, 255}));
    ASSERT_TRUE(ImageForgery::writeSolid(textures / "leaning_n.png", {230, 128, 180, 255}));

    const RgbImage shadowed = runAndCapture(workspace);
    ASSERT_FALSE(shadowed.rgb.empty());
    // The patch whose images are missing looks like the one that names none.
    expectNear(seen(shadowed, brokenPatch), seen(shadowed, plainPatch), "the patch with missing images");
    // The panel's shadow, to tell it from the picture without one.
    EXPECT_LT(brightness(seen(shadowed, behindThePanel)) + 60, brightness(seen(shadowed, besideThePanel)));

    // Without the shadow program nothing is in shadow.
    std::filesystem::remove(workspace.path() / "shader/shadowmap.geom");
    const RgbImage unshadowed = runAndCapture(workspace);
    ASSERT_FALSE(unshadowed.rgb.empty());
    expectNear(seen(unshadowed, besideThePanel), seen(shadowed, besideThePanel), "the lit floor");
    expectNear(seen(unshadowed, behindThePanel), seen(shadowed, besideThePanel), "the floor behind the panel");
}

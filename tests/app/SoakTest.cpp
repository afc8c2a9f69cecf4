#include <GL/glew.h>

#include "LogCapture.h"
#include "ProcessStatus.h"
#include "ShippedScene.h"
#include "StandInWindowManager.h"
#include "TempDirectory.h"
#include "XSession.h"

#include "app/Application.h"
#include "lighting/BaseLight.h"
#include "lighting/PointLight.h"
#include "gpu/DefaultFramebuffer.h"
#include "render/Renderer.h"

#include <GLFW/glfw3.h>
#include <glm/mat4x4.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int windowWidth = 160;
constexpr int windowHeight = 120;

// Slower builds (the sanitizers, a loaded machine) may ask for fewer frames.
int soakFrames()
{
    const char* requested = std::getenv("GLIMMERHALL_SOAK_FRAMES");
    const int frames = requested != nullptr ? std::atoi(requested) : 3000;
    return std::max(frames, 80);
}

using ObjectCounts = std::map<std::string, int>;

// The driver hands out names from 1 upwards, so a range far beyond the few
// dozen objects of the scene also holds anything a frame would leak.
constexpr GLuint highestNameCounted = 16384;

ObjectCounts liveGlObjects()
{
    const std::vector<std::pair<std::string, std::function<GLboolean(GLuint)>>> kinds = {
        {"buffers", [](GLuint name) { return glIsBuffer(name); }},
        {"textures", [](GLuint name) { return glIsTexture(name); }},
        {"vertex arrays", [](GLuint name) { return glIsVertexArray(name); }},
        {"framebuffers", [](GLuint name) { return glIsFramebuffer(name); }},
        {"renderbuffers", [](GLuint name) { return glIsRenderbuffer(name); }},
        {"programs", [](GLuint name) { return glIsProgram(name); }},
        {"shaders", [](GLuint name) { return glIsShader(name); }},
        {"samplers", [](GLuint name) { return glIsSampler(name); }},
        {"queries", [](GLuint name) { return glIsQuery(name); }},
    };
    ObjectCounts counts;
    for (const auto& [kind, isLive] : kinds) {
        int count = 0;
        for (GLuint name = 1; name <= highestNameCounted; ++name) {
            count += isLive(name) == GL_TRUE ? 1 : 0;
        }
        counts[kind] = count;
    }
    return counts;
}

bool isFinite(const glm::mat4& matrix)
{
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            if (!std::isfinite(matrix[column][row])) {
                return false;
            }
        }
    }
    return true;
}

std::pair<int, int> framebufferSize()
{
    int width = 0;
    int height = 0;
    glfwGetFramebufferSize(app.window.handle, &width, &height);
    return {width, height};
}

// One stretch of the run: what is done to the window before it, and how its
// frames are drawn.
struct Stretch {
    std::string name;
    std::function<void()> begin;
    // X11 never reports a zero-sized framebuffer, not even for an iconified
    // window; these frames draw the main pass with the viewport a
    // minimised window's empty framebuffer gives on other platforms.
    bool zeroSizedFramebuffer = false;
};

struct Reading {
    std::string after;
    long residentKibibytes = 0;
    ObjectCounts objects;
};

class Soak : public ::testing::Test {
protected:
    void SetUp() override
    {
        copyShippedScene(workspace.path());
        // The scene animates one model; a small animated one beside it makes
        // two, which the one model clock must still advance once a frame.
        std::filesystem::copy_file(std::filesystem::path(GLIMMERHALL_SOURCE_DIR) / "tests/scene/data/animated.dae",
                                   workspace.path() / "res/assets/second_animated.dae");
        workspace.write("settings.txt", "FULLSCREEN 0\nWIDTH " + std::to_string(windowWidth) + "\nHEIGHT " +
                                            std::to_string(windowHeight) + "\n");
        ASSERT_TRUE(manager.isOpen()) << "this test needs an X display";
    }

    static void renderFrames(int count, bool zeroSizedFramebuffer)
    {
        Renderer& renderer = *app.renderer;
        for (int frame = 0; frame < count && app.window.running; ++frame) {
            renderer.update();
            if (zeroSizedFramebuffer) {
                renderer.renderShadowMap();
                glViewport(0, 0, 0, 0);
                Renderer::renderMainPass();
                DefaultFramebuffer::swapBuffers();
            } else {
                renderer.render();
            }
        }
    }

    // What must hold after every stretch, whatever was done to the window.
    void expectSoundFrames(const std::string& stretch, bool zeroSizedFramebuffer)
    {
        SCOPED_TRACE(stretch);
        EXPECT_TRUE(app.window.running);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        EXPECT_TRUE(isFinite(app.cameraAnimation->viewMatrix));
        // The projection keeps the aspect of the settings whatever size the
        // window has now, an empty one included.
        EXPECT_EQ(app.cameraAnimation->projectionMatrix, Application::cameraProjection(app.settings));
        const BaseLight* point = app.renderer->shadowProgram->light;
        EXPECT_TRUE(std::isfinite(point->lightPosition.x) && std::isfinite(point->lightPosition.y) &&
                    std::isfinite(point->lightPosition.z));
        if (!zeroSizedFramebuffer) {
            const auto [width, height] = framebufferSize();
            EXPECT_EQ(currentViewport(), (std::array<int, 4>{0, 0, width, height}));
        }
    }

    static std::array<int, 4> currentViewport()
    {
        std::array<int, 4> viewport{};
        glGetIntegerv(GL_VIEWPORT, viewport.data());
        return viewport;
    }

    void resizeTo(int width, int height)
    {
        manager.resize(window(), width, height);
        EXPECT_EQ(manager.size(window()), std::make_pair(width, height));
    }

    StandInWindowManager::WindowId window() const { return StandInWindowManager::windowOf(app.window.handle); }

    // Clearing and filling the full-size shadow cube map is most of a frame
    // on a software driver. A smaller map runs the same code and lets
    // thousands of frames fit in the test's time; the end-to-end long run
    // keeps the program's own size.
    static constexpr int shadowMapSize = 256;

    TempDirectory workspace;
    StandInWindowManager manager;
};

} // namespace

// Thousands of frames of the shipped scene through the program's start-up
// steps, its frame and its shutdown steps, while the window is resized down
// to a single pixel, iconified and restored, asked to close, and drawn with
// an empty framebuffer. Frames make no GL objects and hold on to no memory.
TEST_F(Soak, ThousandsOfFramesKeepMemoryAndGlObjectsFlat)
{
    LogCapture log;
    app.startUp(shadowMapSize);
    ASSERT_NE(app.renderer->shadowProgram, nullptr) << log.text();
    ASSERT_NE(app.renderer->shadowProgram->light, nullptr) << log.text();
    ASSERT_NE(app.assetManager.addAsset("second_animated.dae",
                                        std::make_unique<Model3D>(app.shaderManager.getShader("nmbptex_dir"), 0.2f,
                                                                  7.0f, glm::vec3(0.0f), glm::vec3(1.0f), 0.0f,
                                                                  glm::vec3(1.0f))),
              nullptr)
        << log.text();
    ASSERT_FALSE(app.assetManager.findAsset("second_animated")->animations.empty());
    const ObjectCounts madeAtStartUp = liveGlObjects();
    ASSERT_GT(madeAtStartUp.at("textures"), 0);

    XSession x;
    const std::vector<Stretch> stretches = {
        {"warm-up", [] {}},
        {"after a close request", [&] { x.requestClose(window()); }},
        {"at 1x1", [&] { resizeTo(1, 1); }},
        {"at 7x3", [&] { resizeTo(7, 3); }},
        {"at 320x40", [&] { resizeTo(320, 40); }},
        {"iconified",
         [&] {
             manager.iconify(window());
             glfwPollEvents();
             EXPECT_EQ(glfwGetWindowAttrib(app.window.handle, GLFW_ICONIFIED), GLFW_TRUE);
         }},
        {"restored",
         [&] {
             manager.restore(window());
             resizeTo(windowWidth, windowHeight);
             glfwPollEvents();
             EXPECT_EQ(glfwGetWindowAttrib(app.window.handle, GLFW_ICONIFIED), GLFW_FALSE);
         }},
        {"with an empty framebuffer", [] {}, true},
        {"after an empty framebuffer", [] {}},
    };
    const int framesPerStretch = soakFrames() / static_cast<int>(stretches.size());

    std::vector<Reading> readings;
    for (const Stretch& stretch : stretches) {
        stretch.begin();
        renderFrames(framesPerStretch, stretch.zeroSizedFramebuffer);
        expectSoundFrames(stretch.name, stretch.zeroSizedFramebuffer);
        readings.push_back({stretch.name, residentKibibytes(getpid()), liveGlObjects()});
    }

    // Each class clock advanced once a frame by the step the frame used: the
    // steps add up to the time of the last tick but one.
    for (const AnimationClock* clock : {&CameraAnimation::clock, &PointLight::clock, &Model3D::clock}) {
        EXPECT_NEAR(clock->seconds(), app.timer.previousTime, 1e-9);
    }

    // Every GL object is made at start-up; the first frames only settle the
    // driver's and the allocator's own memory.
    const long settled = readings.front().residentKibibytes;
    for (const Reading& reading : readings) {
        EXPECT_EQ(reading.objects, madeAtStartUp) << "after the stretch " << reading.after;
        EXPECT_LE(reading.residentKibibytes - settled, residentGrowthToleranceKibibytes)
            << "after the stretch " << reading.after;
    }

    app.shutDown();
    const ObjectCounts left = liveGlObjects();
    EXPECT_EQ(left.at("textures"), 0);
    EXPECT_EQ(left.at("programs"), 0);
    EXPECT_EQ(left.at("shaders"), 0);
    EXPECT_EQ(log.text().find("ERROR"), std::string::npos) << log.text();
}

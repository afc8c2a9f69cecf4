#include <GL/glew.h>

#include "ShippedSceneTest.h"

#include "LogCapture.h"
#include "ShippedScene.h"

#include "app/Application.h"
#include "lighting/PointLight.h"
#include "scene/Model3D.h"

#include <GLFW/glfw3.h>
#include <glm/mat4x4.hpp>
#include <glm/vec4.hpp>

#include <filesystem>
#include <memory>

namespace {

// Both models of the scene are made with these values (identity placement).
std::unique_ptr<Model3D> sceneModel(const std::string& programName)
{
    return std::make_unique<Model3D>(app.shaderManager.getShader(programName), 0.2f, 7.0f, glm::vec3(0.0f),
                                     glm::vec3(1.0f), 0.0f, glm::vec3(1.0f));
}

} // namespace

void ShippedSceneTest::SetUp()
{
    GlTest::SetUp();
    copyShippedScene(workspace.path());
    workspace.write("settings.txt", "FULLSCREEN 0\nWIDTH 320\nHEIGHT 180\n");
    app.settings.load();

    glfwGetWindowSize(app.window.handle, &previousWidth, &previousHeight);
    glfwSetWindowSize(app.window.handle, frameWidth, frameHeight);
    // The driver sizes the window's buffers anew at a swap.
    glfwSwapBuffers(app.window.handle);
    int width = 0;
    int height = 0;
    glfwGetFramebufferSize(app.window.handle, &width, &height);
    ASSERT_EQ(width, frameWidth);
    ASSERT_EQ(height, frameHeight);

    CameraAnimation::clock.reset();
    PointLight::clock.reset();
    Model3D::clock.reset();
}

void ShippedSceneTest::TearDown()
{
    LogCapture silence;
    app.cameraAnimation.reset();
    app.assetManager.cleanUp();
    app.textureManager.cleanUp();
    app.shaderManager.cleanUp();
    glfwSetWindowSize(app.window.handle, previousWidth, previousHeight);
}

void ShippedSceneTest::loadScene()
{
    loadLightsAndPrograms();
    {
        LogCapture silence;
        app.assetManager.loadAssets();
    }
    loadCameraAndShadowMap();
}

void ShippedSceneTest::loadSceneWithoutMarker()
{
    loadLightsAndPrograms();
    {
        LogCapture silence;
        ASSERT_NE(app.assetManager.addAsset("steps.dae", sceneModel("smnmbptex_point")), nullptr);
    }
    loadCameraAndShadowMap();
}

void ShippedSceneTest::addMarker()
{
    {
        LogCapture silence;
        ASSERT_NE(app.assetManager.addAsset("point_light_sphere.dae", sceneModel("nmbptex_dir")), nullptr);
    }
    // The models share one clock: starting it again puts the new sphere at
    // the light's time.
    Model3D::clock.reset();
    app.assetManager.updateAll(sceneTime);
}

void ShippedSceneTest::loadLightsAndPrograms()
{
    LogCapture silence;
    app.assetManager.lights.loadLights();
    app.shaderManager.loadShaders();
    ASSERT_NE(app.shaderManager.getShader("smnmbptex_point"), nullptr) << silence.text();
}

void ShippedSceneTest::loadCameraAndShadowMap()
{
    LogCapture silence;
    app.cameraAnimation = std::make_unique<CameraAnimation>(Application::cameraProjection(app.settings), "camera.dae");
    renderer.initShadowMap();
    ASSERT_NE(renderer.shadowProgram, nullptr);
}

void ShippedSceneTest::advance(double cameraStep, double sceneStep)
{
    app.cameraAnimation->update(cameraStep);
    app.assetManager.lights.updateLights(sceneStep);
    app.assetManager.updateAll(sceneStep);
    sceneTime += sceneStep;
}

RgbImage ShippedSceneTest::renderFrame()
{
    renderer.renderShadowMap();
    Renderer::renderMainPass();
    return readWindow();
}

RgbImage ShippedSceneTest::renderFrameWithoutShadows()
{
    renderer.framebuffer.bind();
    Window::clear();
    renderer.framebuffer.unbind();
    Renderer::renderMainPass();
    return readWindow();
}

RgbImage ShippedSceneTest::readWindow() const
{
    RgbImage image;
    image.width = frameWidth;
    image.height = frameHeight;
    std::vector<std::uint8_t> bottomUp(static_cast<std::size_t>(frameWidth) * frameHeight * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, frameWidth, frameHeight, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    const std::size_t rowBytes = static_cast<std::size_t>(frameWidth) * 3;
    for (int row = frameHeight - 1; row >= 0; --row) {
        const auto first = bottomUp.begin() + static_cast<std::ptrdiff_t>(row * rowBytes);
        image.rgb.insert(image.rgb.end(), first, first + static_cast<std::ptrdiff_t>(rowBytes));
    }
    return image;
}

glm::vec2 ShippedSceneTest::project(const glm::vec3& world) const
{
    const Camera& camera = *app.cameraAnimation;
    const glm::vec4 clip = camera.projectionMatrix * camera.viewMatrix * glm::vec4(world, 1.0f);
    const glm::vec2 normalised = glm::vec2(clip) / clip.w;
    return {(normalised.x + 1.0f) * 0.5f * frameWidth, (1.0f - normalised.y) * 0.5f * frameHeight};
}

float ShippedSceneTest::projectedLength(const glm::vec3& world, float length) const
{
    const Camera& camera = *app.cameraAnimation;
    const float eyeDistance = -(camera.viewMatrix * glm::vec4(world, 1.0f)).z;
    return length * camera.projectionMatrix[1][1] * 0.5f * frameHeight / eyeDistance;
}

glm::vec3 ShippedSceneTest::floorPointBehind(const glm::vec3& occluded, const glm::vec3& light)
{
    const float along = light.y / (light.y - occluded.y);
    return light + along * (occluded - light);
}

glm::vec3 ShippedSceneTest::lightPosition() const
{
    LogCapture silence;
    return app.assetManager.lights.getLight("point")->lightPosition;
}

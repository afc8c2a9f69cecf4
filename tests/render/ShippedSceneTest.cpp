#include <GL/glew.h>

#include "ShippedSceneTest.h"

#include "LogCapture.h"
#include "ShippedScene.h"

#include "app/Application.h"
#include "gpu/DefaultFramebuffer.h"
#include "scene/Model3D.h"

#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec4.hpp>

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
}

void ShippedSceneTest::TearDown()
{
    LogCapture silence;
    app.shutDown();
    glfwSetWindowSize(app.window.handle, previousWidth, previousHeight);
}

void ShippedSceneTest::loadScene()
{
    LogCapture log;
    app.setUpScene(Renderer::defaultShadowMapSize);
    ASSERT_NE(app.renderer->shadowProgram, nullptr) << log.text();
    ASSERT_NE(app.shaderManager.getShader("smnmbptex_point"), nullptr) << log.text();
}

void ShippedSceneTest::moveMarkerAway()
{
    Model3D* marker = app.assetManager.findAsset("point_light_sphere");
    ASSERT_NE(marker, nullptr);
    // Beyond the far planes of the camera and of the shadow pass alike.
    marker->modelTransform = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 1000.0f, 0.0f));
}

void ShippedSceneTest::advance(double cameraStep, double sceneStep)
{
    app.cameraAnimation->update(cameraStep);
    app.assetManager.lights.updateLights(sceneStep);
    app.assetManager.updateAll(sceneStep);
}

RgbImage ShippedSceneTest::renderFrame()
{
    app.renderer->renderShadowMap();
    Renderer::renderMainPass();
    return readWindow();
}

RgbImage ShippedSceneTest::renderFrameWithoutShadows()
{
    app.renderer->framebuffer.bind();
    DefaultFramebuffer::clear();
    app.renderer->framebuffer.unbind();
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

#include "render/Renderer.h"

#include "app/Application.h"
#include "gpu/PixelShader.h"
#include "lighting/BaseLight.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

namespace {

// The view rotations of the cube-map faces +X, -X, +Y, -Y, +Z, -Z: a look-at
// from the origin along each face axis with the up vector the cube-map
// layout expects.
glm::mat4 faceRotationFromColumns(const glm::vec3& column0, const glm::vec3& column1, const glm::vec3& column2)
{
    return glm::mat4(glm::vec4(column0, 0.0f), glm::vec4(column1, 0.0f), glm::vec4(column2, 0.0f),
                     glm::vec4(0.0f, 0.0f, 0.0f, 1.0f));
}

} // namespace

Renderer::Renderer(int shadowMapSize) : shadowMapSize(shadowMapSize)
{
}

void Renderer::init()
{
    initShadowMap();
    Timer::start();
}

void Renderer::update()
{
    glfwPollEvents();
    // The frame step measured by the last tick; 0 in the first frame.
    const double delta = app.timer.delta;
    if (app.cameraAnimation != nullptr) {
        app.cameraAnimation->update(delta);
    }
    app.assetManager.lights.updateLights(delta);
    app.assetManager.updateAll(delta);
    app.timer.tick();
}

void Renderer::render()
{
    renderShadowMap();
    renderMainPass();
    app.window.swapBuffers();
}

void Renderer::renderMainPass()
{
    Window::clear();
    app.assetManager.drawAll();
}

void Renderer::initShadowMap()
{
    Texture* cubemap = app.textureManager.addCubemap(
        "fboCubemap", shadowMapSize, shadowMapSize, 2, "cubeMap", GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT,
        GL_UNSIGNED_INT, GL_LINEAR, GL_LINEAR, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE);
    framebuffer.create(cubemap, GL_DEPTH_ATTACHMENT);
    nearPlane = 0.1f;
    farPlane = 40.0f;
    shadowProjection = glm::perspective(glm::radians(90.0f), 1.0f, nearPlane, farPlane);
    faceRotation = {
        faceRotationFromColumns({0.0f, 0.0f, -1.0f}, {0.0f, -1.0f, 0.0f}, {-1.0f, 0.0f, 0.0f}),
        faceRotationFromColumns({0.0f, 0.0f, 1.0f}, {0.0f, -1.0f, 0.0f}, {1.0f, 0.0f, 0.0f}),
        faceRotationFromColumns({1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, -1.0f}, {0.0f, 1.0f, 0.0f}),
        faceRotationFromColumns({1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}, {0.0f, -1.0f, 0.0f}),
        faceRotationFromColumns({1.0f, 0.0f, 0.0f}, {0.0f, -1.0f, 0.0f}, {0.0f, 0.0f, -1.0f}),
        faceRotationFromColumns({-1.0f, 0.0f, 0.0f}, {0.0f, -1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}),
    };
    shadowProgram = app.shaderManager.getShader("shadowmap");
    if (!hasShadowPass()) {
        clearShadowMap();
    }
}

// Without its program or the light to look from there is no pass; the
// reasons were logged at start-up.
bool Renderer::hasShadowPass() const
{
    return shadowProgram != nullptr && shadowProgram->light != nullptr;
}

void Renderer::uploadFaceMatrices(const glm::vec3& lightPosition) const
{
    // A program without the array has no location to offset from: -1 plus
    // the face index would write into other uniforms.
    const int cubemapMatrix = shadowProgram->getUniformLocation("cubemapMatrix");
    if (cubemapMatrix < 0) {
        return;
    }
    const glm::mat4 towardsLight = glm::translate(glm::mat4(1.0f), -lightPosition);
    for (int face = 0; face < 6; ++face) {
        const glm::mat4 faceMatrix = (shadowProjection * faceRotation[face]) * towardsLight;
        PixelShader::setUniformMatrix4fv(cubemapMatrix + face, glm::value_ptr(faceMatrix));
    }
}

// Nothing ever renders into the cube map without the pass, and a cube map
// allocated without data reads as whatever the driver left there, which
// the main pass would take for occluders.
void Renderer::clearShadowMap() const
{
    framebuffer.bind();
    Window::clear();
    framebuffer.unbind();
}

void Renderer::renderShadowMap()
{
    // The main pass still follows the window's size without the pass.
    if (!hasShadowPass()) {
        app.window.resetViewport();
        return;
    }
    const BaseLight& light = *shadowProgram->light;
    framebuffer.bind();
    Window::clear();
    shadowProgram->bind();
    light.setUniforms();
    const float nearFarPlane[2] = {nearPlane, farPlane};
    shadowProgram->setUniform2fv("nearFarPlane", nearFarPlane);
    uploadFaceMatrices(light.lightPosition);
    app.assetManager.drawAllDepth();
    shadowProgram->unbind();
    framebuffer.unbind();
}

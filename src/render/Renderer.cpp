#include "render/Renderer.h"

#include "animation/CameraAnimation.h"
#include "gpu/DefaultFramebuffer.h"
#include "gpu/PixelShader.h"
#include "gpu/ShaderManager.h"
#include "gpu/ShadowPassNames.h"
#include "gpu/TextureManager.h"
#include "lighting/BaseLight.h"
#include "render/FrameClock.h"
#include "scene/AssetManager.h"
#include "scene/ProcessObjects.h"

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

Renderer::Renderer(FrameClock& clock, int shadowMapSize)
    : framebuffer(*processObjects().textures), clock(clock), shadowMapSize(shadowMapSize)
{
}

void Renderer::init()
{
    initShadowMap();
    clock.start();
}

void Renderer::update()
{
    glfwPollEvents();
    // The frame step measured by the last tick; 0 in the first frame.
    const double delta = clock.frameStep();
    if (CameraAnimation* camera = processObjects().camera()) {
        camera->update(delta);
    }
    AssetManager& assets = *processObjects().assets;
    assets.lights.updateLights(delta);
    assets.updateAll(delta);
    clock.tick();
}

void Renderer::render()
{
    renderShadowMap();
    renderMainPass();
    DefaultFramebuffer::swapBuffers();
}

void Renderer::renderMainPass()
{
    DefaultFramebuffer::clear();
    processObjects().assets->drawAll();
}

void Renderer::initShadowMap()
{
    Texture* cubemap = processObjects().textures->addDepthCubemap(ShadowPassNames::cubemap, shadowMapSize,
                                                                  shadowMapSize, ShadowPassNames::cubemapUnit,
                                                                  ShadowPassNames::cubemapSampler);
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
    shadowProgram = processObjects().shaders->getShader(ShadowPassNames::program);
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
    DefaultFramebuffer::clear();
    framebuffer.unbind();
}

void Renderer::renderShadowMap()
{
    // The main pass still follows the window's size without the pass.
    if (!hasShadowPass()) {
        DefaultFramebuffer::resetViewport();
        return;
    }
    const BaseLight& light = *shadowProgram->light;
    framebuffer.bind();
    DefaultFramebuffer::clear();
    shadowProgram->bind();
    light.setUniforms();
    const float nearFarPlane[2] = {nearPlane, farPlane};
    shadowProgram->setUniform2fv("nearFarPlane", nearFarPlane);
    uploadFaceMatrices(light.lightPosition);
    processObjects().assets->drawAllDepth();
    shadowProgram->unbind();
    framebuffer.unbind();
}

#pragma once

#include "gpu/FramebufferObject.h"

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include <array>

class FrameClock;
class PixelShader;

// The per-run render object: the frame's update and render steps and the
// point light's omnidirectional shadow pass into the depth cube map
// "fboCubemap".
class Renderer {
public:
    static constexpr int defaultShadowMapSize = 2048;

    // The edge of each shadow cube face in texels; only the benchmark and
    // the long tests ask for another size than the renderer's own. The
    // clock's step advances every frame's updates.
    explicit Renderer(FrameClock& clock, int shadowMapSize = defaultShadowMapSize);

    // Sets up the shadow pass, then starts the clock.
    void init();
    // Polls events, advances the camera, the lights and the models by the
    // last frame step, then ticks the clock.
    void update();
    // The shadow pass, then the main pass, then the swap.
    void render();
    // Clears the window and draws every model with its own program.
    static void renderMainPass();

    void initShadowMap();
    // Renders the depth of every model as seen from the point light into all
    // six faces of the cube map in one layered pass.
    void renderShadowMap();

    FramebufferObject framebuffer;
    // Not owned: the program "shadowmap", tied to the point light.
    PixelShader* shadowProgram = nullptr;
    float nearPlane = 0.0f;
    float farPlane = 0.0f;
    glm::mat4 shadowProjection;
    // The view rotations of the six faces, in cube-map layer order.
    std::array<glm::mat4, 6> faceRotation;

private:
    bool hasShadowPass() const;
    // Sets all six faces to the far depth, where nothing casts a shadow.
    void clearShadowMap() const;
    void uploadFaceMatrices(const glm::vec3& lightPosition) const;

    FrameClock& clock;
    int shadowMapSize;
};

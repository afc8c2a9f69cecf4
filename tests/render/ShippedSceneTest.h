#pragma once

#include "GlTest.h"
#include "RgbImage.h"

#include "render/Renderer.h"

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <string>

// GL tests of the shipped scene: the repository's shader/ and res/ folders and
// a settings file in the workspace, the scene set up by the program's own
// start-up, and frames driven by fixed steps instead of the clock into a
// small window.
class ShippedSceneTest : public GlTest {
protected:
    static constexpr int frameWidth = 320;
    static constexpr int frameHeight = 180;

    void SetUp() override;
    void TearDown() override;

    // The scene as the program's start-up sets it up, on the test's window.
    void loadScene();
    // Puts the light's marker sphere where neither pass sees it.
    void moveMarkerAway();

    // Moves the camera on by cameraStep and the lights and models by
    // sceneStep, in the frame's update order.
    void advance(double cameraStep, double sceneStep);
    // The shadow pass, then the main pass; the window's picture.
    RgbImage renderFrame();
    // The main pass over a cleared cube map, as if nothing cast a shadow.
    RgbImage renderFrameWithoutShadows();

    // The pixel (from the top left) where a world point appears.
    glm::vec2 project(const glm::vec3& world) const;
    // How many pixels a length at a world point spans on the screen.
    float projectedLength(const glm::vec3& world, float length) const;
    // The floor point that a light at light sees through occluded.
    static glm::vec3 floorPointBehind(const glm::vec3& occluded, const glm::vec3& light);
    glm::vec3 lightPosition() const;

private:
    RgbImage readWindow() const;

    int previousWidth = 0;
    int previousHeight = 0;
};

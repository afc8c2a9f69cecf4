#pragma once

#include <glm/mat4x4.hpp>

// The matrices drawing reads: a projection fixed at start-up and the
// world-to-eye view.
class Camera {
public:
    glm::mat4 projectionMatrix;
    glm::mat4 viewMatrix;
};

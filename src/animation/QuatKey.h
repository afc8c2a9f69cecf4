#pragma once

#include <glm/gtc/quaternion.hpp>

// One key of a rotation list.
struct QuatKey {
    double time = 0.0; // in ticks
    glm::quat value;
};

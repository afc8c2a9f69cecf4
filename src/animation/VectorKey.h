#pragma once

#include <glm/vec3.hpp>

// One key of a position or scaling list.
struct VectorKey {
    double time = 0.0; // in ticks
    glm::vec3 value;
};

#pragma once

#include <glm/vec3.hpp>

#include <vector>

class Texture;

// Reads a cube map in given directions as the main pass does: through a
// samplerCube on unit 2, filtered, level 0.
class CubemapSampler {
public:
    // The first channel of what each direction sees; empty after a test
    // failure when the sampling program does not link.
    static std::vector<float> sample(const Texture& cubemap, const std::vector<glm::vec3>& directions);
};

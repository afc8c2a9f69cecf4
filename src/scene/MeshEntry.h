#pragma once

#include <cstdint>

// Where one mesh lies in its model's shared buffers.
struct MeshEntry {
    static constexpr std::uint32_t noMaterial = 0xFFFFFFFFu;

    std::uint32_t indexCount = 0;
    std::uint32_t baseVertex = 0;
    std::uint32_t baseIndex = 0; // counted in indices
    std::uint32_t materialIndex = noMaterial;
};

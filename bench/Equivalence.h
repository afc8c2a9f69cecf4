#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// How far two renderings of the same frame are apart.
struct Difference {
    // A pixel whose channels all lie within this many steps of 255 of the
    // other rendering's looks the same.
    static constexpr int slightGap = 2;

    // The largest difference of one value: a colour channel in 0..255, or a
    // depth in units of the 24-bit depth buffer's step.
    double largest = 0.0;
    std::size_t differingValues = 0;
    std::size_t totalValues = 0;
    // The share of the first rendering that shows something other than the
    // clear colour or the far plane: two empty renderings agree trivially.
    double coveredShare = 0.0;
    // Images only: the pixels with a channel more than slightGap apart.
    std::size_t pixelsOff = 0;
};

// Reads back what the current frame left in the window's back buffer and in
// the shadow cube map, and compares two such readings.
class Equivalence {
public:
    // Fills the back buffer with a colour no rendering of the scene leaves,
    // so that a variant that drew nothing is not compared with what the one
    // before it left behind.
    static void fillBackBufferWithSentinel();
    // RGB of the back buffer.
    static std::vector<std::uint8_t> readBackBuffer(int width, int height);
    // Depth of the six faces of a cube map, one after another, as 32-bit
    // fractions of the far plane.
    static std::vector<std::uint32_t> readCubemapDepth(unsigned int cubemap, int size);

    // RGB images; clearColour: the window's clear colour in 0..255 per
    // channel.
    static Difference compareImages(const std::vector<std::uint8_t>& first, const std::vector<std::uint8_t>& second,
                                    const float clearColour[3]);
    static Difference compareDepths(const std::vector<std::uint32_t>& first,
                                    const std::vector<std::uint32_t>& second);
};

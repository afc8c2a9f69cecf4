#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// An 8-bit RGB picture, rows from the top.
struct RgbImage {
    using Pixel = std::array<std::uint8_t, 3>;

    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;

    Pixel at(int x, int y) const;
    // Whether every channel of the pixel lies within tolerance of colour.
    bool matches(int x, int y, Pixel colour, int tolerance) const;
};

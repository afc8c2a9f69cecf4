#pragma once

#include "RgbImage.h"

#include <glm/vec2.hpp>

#include <filesystem>
#include <optional>

// PNG files and the measures the picture tests compare frames with.
namespace ImageTools {

bool writePng(const RgbImage& image, const std::filesystem::path& path);
std::optional<RgbImage> readPng(const std::filesystem::path& path);

// The square of pixels within radius of centre, cut at the picture's edges.
RgbImage crop(const RgbImage& image, glm::vec2 centre, int radius);
// Every 2 x 2 block averaged into one pixel: single-pixel differences of the
// rasteriser weigh a quarter as much.
RgbImage halved(const RgbImage& image);

struct Difference {
    // Per channel, over the whole picture, in 8-bit levels.
    double meanAbsolute = 0.0;
    // Share of pixels with a channel off by more than the threshold.
    double shareOff = 0.0;
};
Difference difference(const RgbImage& actual, const RgbImage& expected, int threshold);

// Mean luminance (0 to 255) of the square of pixels within radius of centre.
double meanLuminance(const RgbImage& image, glm::vec2 centre, int radius);
// Standard deviation of the luminance over the whole picture.
double luminanceSpread(const RgbImage& image);
// Share of the pixels within tolerance of colour.
double shareOf(const RgbImage& image, RgbImage::Pixel colour, int tolerance);

} // namespace ImageTools

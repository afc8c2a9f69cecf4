#include "RgbImage.h"

#include <cstdlib>

RgbImage::Pixel RgbImage::at(int x, int y) const
{
    const std::size_t offset = (static_cast<std::size_t>(y) * width + x) * 3;
    return {rgb[offset], rgb[offset + 1], rgb[offset + 2]};
}

bool RgbImage::matches(int x, int y, Pixel colour, int tolerance) const
{
    const Pixel actual = at(x, y);
    for (std::size_t channel = 0; channel < 3; ++channel) {
        if (std::abs(actual[channel] - colour[channel]) > tolerance) {
            return false;
        }
    }
    return true;
}

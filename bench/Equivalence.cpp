#include <GL/glew.h>

#include "Equivalence.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

void Equivalence::fillBackBufferWithSentinel()
{
    float clearColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
}

std::vector<std::uint8_t> Equivalence::readBackBuffer(int width, int height)
{
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

std::vector<std::uint32_t> Equivalence::readCubemapDepth(unsigned int cubemap, int size)
{
    const std::size_t faceTexels = static_cast<std::size_t>(size) * static_cast<std::size_t>(size);
    std::vector<std::uint32_t> depths(faceTexels * 6);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cubemap);
    for (GLenum face = 0; face < 6; ++face) {
        glGetTexImage(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT,
                      depths.data() + face * faceTexels);
    }
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    return depths;
}

Difference Equivalence::compareImages(const std::vector<std::uint8_t>& first, const std::vector<std::uint8_t>& second,
                                      const float clearColour[3])
{
    Difference difference;
    difference.totalValues = std::min(first.size(), second.size());
    std::size_t covered = 0;
    int pixelGap = 0;
    for (std::size_t i = 0; i < difference.totalValues; ++i) {
        const int gap = std::abs(static_cast<int>(first[i]) - static_cast<int>(second[i]));
        difference.largest = std::max(difference.largest, static_cast<double>(gap));
        difference.differingValues += gap != 0 ? 1 : 0;
        // One step either way is the clear colour's rounding.
        covered += std::abs(static_cast<float>(first[i]) - clearColour[i % 3]) > 1.0f ? 1 : 0;
        pixelGap = std::max(pixelGap, gap);
        if (i % 3 == 2) {
            difference.pixelsOff += pixelGap > Difference::slightGap ? 1 : 0;
            pixelGap = 0;
        }
    }
    if (first.size() != second.size()) {
        difference.largest = 255.0;
    }
    difference.coveredShare =
        difference.totalValues > 0 ? static_cast<double>(covered) / static_cast<double>(difference.totalValues) : 0.0;
    return difference;
}

Difference Equivalence::compareDepths(const std::vector<std::uint32_t>& first,
                                      const std::vector<std::uint32_t>& second)
{
    // A 24-bit depth read as a 32-bit fraction moves in steps of 256.
    constexpr double depthStep = 256.0;
    constexpr std::uint32_t farPlane = 0xFFFFFFFFu;
    Difference difference;
    difference.totalValues = std::min(first.size(), second.size());
    std::size_t covered = 0;
    for (std::size_t i = 0; i < difference.totalValues; ++i) {
        const std::uint32_t low = std::min(first[i], second[i]);
        const std::uint32_t high = std::max(first[i], second[i]);
        difference.largest = std::max(difference.largest, static_cast<double>(high - low) / depthStep);
        difference.differingValues += high != low ? 1 : 0;
        covered += first[i] != farPlane ? 1 : 0;
    }
    if (first.size() != second.size()) {
        difference.largest = static_cast<double>(farPlane) / depthStep;
    }
    difference.coveredShare =
        difference.totalValues > 0 ? static_cast<double>(covered) / static_cast<double>(difference.totalValues) : 0.0;
    return difference;
}

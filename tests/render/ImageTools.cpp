#include "ImageTools.h"

#include <FreeImage.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ImageTools {

namespace {

double luminance(const RgbImage::Pixel& pixel)
{
    return 0.2126 * pixel[0] + 0.7152 * pixel[1] + 0.0722 * pixel[2];
}

} // namespace

bool writePng(const RgbImage& image, const std::filesystem::path& path)
{
    FIBITMAP* bitmap = FreeImage_Allocate(image.width, image.height, 24);
    if (bitmap == nullptr) {
        return false;
    }
    // FreeImage keeps its rows from the bottom.
    for (int y = 0; y < image.height; ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap, image.height - 1 - y);
        for (int x = 0; x < image.width; ++x) {
            const RgbImage::Pixel pixel = image.at(x, y);
            row[3 * x + FI_RGBA_RED] = pixel[0];
            row[3 * x + FI_RGBA_GREEN] = pixel[1];
            row[3 * x + FI_RGBA_BLUE] = pixel[2];
        }
    }
    std::filesystem::create_directories(path.parent_path());
    const bool saved = FreeImage_Save(FIF_PNG, bitmap, path.string().c_str(), 0) != 0;
    FreeImage_Unload(bitmap);
    return saved;
}

std::optional<RgbImage> readPng(const std::filesystem::path& path)
{
    FIBITMAP* loaded = FreeImage_Load(FIF_PNG, path.string().c_str(), 0);
    if (loaded == nullptr) {
        return std::nullopt;
    }
    FIBITMAP* bitmap = FreeImage_ConvertTo24Bits(loaded);
    FreeImage_Unload(loaded);
    if (bitmap == nullptr) {
        return std::nullopt;
    }
    RgbImage image;
    image.width = static_cast<int>(FreeImage_GetWidth(bitmap));
    image.height = static_cast<int>(FreeImage_GetHeight(bitmap));
    for (int y = 0; y < image.height; ++y) {
        const BYTE* row = FreeImage_GetScanLine(bitmap, image.height - 1 - y);
        for (int x = 0; x < image.width; ++x) {
            image.rgb.insert(image.rgb.end(),
                             {row[3 * x + FI_RGBA_RED], row[3 * x + FI_RGBA_GREEN], row[3 * x + FI_RGBA_BLUE]});
        }
    }
    FreeImage_Unload(bitmap);
    return image;
}

RgbImage crop(const RgbImage& image, glm::vec2 centre, int radius)
{
    const int left = std::max(static_cast<int>(std::lround(centre.x)) - radius, 0);
    const int top = std::max(static_cast<int>(std::lround(centre.y)) - radius, 0);
    const int right = std::min(static_cast<int>(std::lround(centre.x)) + radius, image.width - 1);
    const int bottom = std::min(static_cast<int>(std::lround(centre.y)) + radius, image.height - 1);
    RgbImage part;
    part.width = std::max(right - left + 1, 0);
    part.height = std::max(bottom - top + 1, 0);
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            const RgbImage::Pixel pixel = image.at(x, y);
            part.rgb.insert(part.rgb.end(), pixel.begin(), pixel.end());
        }
    }
    return part;
}

RgbImage halved(const RgbImage& image)
{
    RgbImage half;
    half.width = image.width / 2;
    half.height = image.height / 2;
    for (int y = 0; y < half.height; ++y) {
        for (int x = 0; x < half.width; ++x) {
            for (std::size_t channel = 0; channel < 3; ++channel) {
                const int sum = image.at(2 * x, 2 * y)[channel] + image.at(2 * x + 1, 2 * y)[channel] +
                                image.at(2 * x, 2 * y + 1)[channel] + image.at(2 * x + 1, 2 * y + 1)[channel];
                half.rgb.push_back(static_cast<std::uint8_t>((sum + 2) / 4));
            }
        }
    }
    return half;
}

Difference difference(const RgbImage& actual, const RgbImage& expected, int threshold)
{
    Difference result;
    if (actual.width != expected.width || actual.height != expected.height || actual.rgb.empty()) {
        result.meanAbsolute = 255.0;
        result.shareOff = 1.0;
        return result;
    }
    long total = 0;
    long pixelsOff = 0;
    for (std::size_t pixel = 0; pixel < actual.rgb.size(); pixel += 3) {
        int worst = 0;
        for (std::size_t channel = 0; channel < 3; ++channel) {
            const int delta = std::abs(actual.rgb[pixel + channel] - expected.rgb[pixel + channel]);
            total += delta;
            worst = std::max(worst, delta);
        }
        pixelsOff += worst > threshold ? 1 : 0;
    }
    result.meanAbsolute = static_cast<double>(total) / static_cast<double>(actual.rgb.size());
    result.shareOff = static_cast<double>(pixelsOff) / static_cast<double>(actual.rgb.size() / 3);
    return result;
}

double meanLuminance(const RgbImage& image, glm::vec2 centre, int radius)
{
    const RgbImage part = crop(image, centre, radius);
    double sum = 0.0;
    for (int y = 0; y < part.height; ++y) {
        for (int x = 0; x < part.width; ++x) {
            sum += luminance(part.at(x, y));
        }
    }
    return part.rgb.empty() ? 0.0 : sum / (part.width * part.height);
}

double luminanceSpread(const RgbImage& image)
{
    double sum = 0.0;
    double squares = 0.0;
    const int count = image.width * image.height;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const double value = luminance(image.at(x, y));
            sum += value;
            squares += value * value;
        }
    }
    if (count == 0) {
        return 0.0;
    }
    const double mean = sum / count;
    return std::sqrt(std::max(squares / count - mean * mean, 0.0));
}

double shareOf(const RgbImage& image, RgbImage::Pixel colour, int tolerance)
{
    int matching = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            matching += image.matches(x, y, colour, tolerance) ? 1 : 0;
        }
    }
    return image.width * image.height > 0 ? static_cast<double>(matching) / (image.width * image.height) : 0.0;
}

} // namespace ImageTools

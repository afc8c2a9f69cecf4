#include "gpu/BoundedImageDecoder.h"

#include "ImageForgery.h"
#include "TempDirectory.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace ImageForgery;

namespace {

constexpr unsigned int driverSize = 16384;

void expectSame(const ImageDecoder::Result& expected, const ImageDecoder::Result& actual)
{
    EXPECT_EQ(actual.width, expected.width);
    EXPECT_EQ(actual.height, expected.height);
    EXPECT_EQ(actual.convertedForUse, expected.convertedForUse);
    EXPECT_EQ(actual.errors, expected.errors);
    EXPECT_TRUE(actual.pixels == expected.pixels);
}

} // namespace

TEST(BoundedImageDecoder, GivesBackWhatTheDecoderMakesOfTheFileInEitherUse)
{
    TempDirectory workspace;
    const Bitmap colour = gradient(7, 5);
    Bitmap grey(FreeImage_ConvertTo8Bits(colour.get()));
    // A float image, with an infinite texel the decoder reports and clamps.
    Bitmap light(FreeImage_AllocateT(FIT_RGBF, 3, 2));
    auto* texels = reinterpret_cast<FIRGBF*>(FreeImage_GetBits(light.get()));
    texels[0] = {std::numeric_limits<float>::infinity(), 0.5f, 0.25f};
    texels[1] = {0.5f, 0.5f, 1.0f};
    const std::vector<std::pair<std::string, std::string>> files = {
        {"colour.png", encode(colour.get(), FIF_PNG)},
        {"colour.tga", encode(colour.get(), FIF_TARGA)},
        {"grey.bmp", encode(grey.get(), FIF_BMP)},
        {"light.pfm", encode(light.get(), FIF_PFM)},
        {"cut.png", encode(colour.get(), FIF_PNG).substr(0, 60)},
        {"noise.qqq", std::string(300, '\x5a')},
    };
    std::vector<BoundedImageDecoder::Request> all;
    std::vector<ImageDecoder::Result> expected;
    for (const auto& [fileName, bytes] : files) {
        workspace.write(fileName, bytes);
        for (const ImageDecoder::Use use : {ImageDecoder::Use::Colour, ImageDecoder::Use::NormalMap}) {
            SCOPED_TRACE(fileName + (use == ImageDecoder::Use::Colour ? " as colour" : " as normal map"));
            const std::string path = (workspace.path() / fileName).string();
            expected.push_back(ImageDecoder::decode(path, fileName, use, driverSize));
            expectSame(expected.back(), BoundedImageDecoder::decode(path, fileName, use, driverSize));
            all.push_back({path, fileName, use});
        }
    }
    // All of them in one child.
    const std::vector<ImageDecoder::Result> together = BoundedImageDecoder::decodeAll(all, driverSize);
    ASSERT_EQ(together.size(), expected.size());
    for (std::size_t image = 0; image < expected.size(); ++image) {
        SCOPED_TRACE(all[image].fileName);
        expectSame(expected[image], together[image]);
    }
}

TEST(BoundedImageDecoder, ADecodeThatRunsPastItsLimitsLeavesNoPixelsAndSaysWhy)
{
    TempDirectory workspace;
    // Sixteen megabytes of texels, twice over while they are converted,
    // under a limit of eight.
    workspace.write("large.png", encode(gradient(2048, 2048).get(), FIF_PNG));
    BoundedCall::Limits small = BoundedCall::fileLimits;
    small.memoryBytes = std::uint64_t{8} << 20;
    const ImageDecoder::Result result = BoundedImageDecoder::decode(
        (workspace.path() / "large.png").string(), "large.png", ImageDecoder::Use::Colour, driverSize, small);
    EXPECT_FALSE(result.decoded());
    ASSERT_FALSE(result.errors.empty());
    // FreeImage gives up on an allocation that fails, or the child is
    // stopped; either way the file cannot be read.
    EXPECT_EQ(result.errors.back(), "Cannot read file 'large.png'");
    // Images decoded together come back all or not at all, so that each
    // can then be decoded alone: the large one takes longer than the
    // deadline here.
    workspace.write("small.png", encode(gradient(2, 2).get(), FIF_PNG));
    const std::vector<BoundedImageDecoder::Request> both = {
        {(workspace.path() / "small.png").string(), "small.png", ImageDecoder::Use::Colour},
        {(workspace.path() / "large.png").string(), "large.png", ImageDecoder::Use::Colour}};
    BoundedCall::Limits hurried = BoundedCall::fileLimits;
    hurried.wall = std::chrono::milliseconds(20);
    EXPECT_TRUE(BoundedImageDecoder::decodeAll(both, driverSize, hurried).empty());
    EXPECT_EQ(BoundedImageDecoder::decodeAll({both.front()}, driverSize).size(), 1u);
}

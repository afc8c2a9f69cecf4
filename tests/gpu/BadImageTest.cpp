#include "gpu/TextureManager.h"

#include "GlTest.h"
#include "ImageForgery.h"
#include "LogCapture.h"

#include <FreeImage.h>
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

using namespace ImageForgery;

namespace {

using Lines = std::vector<std::string>;
using Bgra = std::array<std::uint8_t, 4>;

// Of this process and of the children it waited for, which decode the
// images: each starts with the resident memory of this one.
long peakResidentKilobytes()
{
    rusage self{};
    rusage children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    return std::max(self.ru_maxrss, children.ru_maxrss);
}

int driverTextureLimit()
{
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size;
}

std::vector<Bgra> texelsOf(const Texture& texture)
{
    std::vector<Bgra> texels(static_cast<std::size_t>(texture.width) * texture.height);
    glBindTexture(GL_TEXTURE_2D, texture.id);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return texels;
}

// The texels a 24-bit bitmap should become: FreeImage's bottom row first,
// like GL's, opaque.
std::vector<Bgra> expectedTexels(FIBITMAP* bitmap)
{
    std::vector<Bgra> texels;
    for (unsigned int y = 0; y < FreeImage_GetHeight(bitmap); ++y) {
        const BYTE* row = FreeImage_GetScanLine(bitmap, static_cast<int>(y));
        for (unsigned int x = 0; x < FreeImage_GetWidth(bitmap); ++x) {
            texels.push_back({row[3 * x], row[3 * x + 1], row[3 * x + 2], 255});
        }
    }
    return texels;
}

class BadImageTest : public GlTest {
protected:
    void TearDown() override { manager.cleanUp(); }

    Texture* addImage(const std::string& fileName)
    {
        return manager.addTexture(fileName, 0, "textureMap", GL_RGBA, GL_BGRA, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR,
                                  GL_REPEAT, GL_REPEAT);
    }

    void writeImage(const std::string& fileName, const std::string& bytes)
    {
        workspace.write("res/texture/" + fileName, bytes);
    }

    // Refused with exactly the lines given, with no GL object made and no GL
    // error left behind.
    void expectRefused(const std::string& fileName, const Lines& lines)
    {
        const int texturesBefore = liveTextures();
        LogCapture log;
        EXPECT_EQ(addImage(fileName), nullptr) << fileName;
        EXPECT_EQ(log.lines(), lines) << fileName;
        EXPECT_EQ(takeGlError(), GL_NO_ERROR) << fileName;
        EXPECT_EQ(liveTextures(), texturesBefore) << fileName << " left a texture behind";
    }

    // The names of the few textures a test makes stay well inside this range.
    static int liveTextures()
    {
        int live = 0;
        for (GLuint name = 1; name <= 256; ++name) {
            live += glIsTexture(name) ? 1 : 0;
        }
        return live;
    }

    TextureManager manager{"res/texture/"};
};

Lines cannotRead(const std::string& fileName)
{
    return {"ERROR TextureManager: Cannot read file '" + fileName + "'"};
}

Lines invalid(const std::string& fileName)
{
    return {"ERROR TextureManager: Invalid texture '" + fileName + "'"};
}

} // namespace

TEST_F(BadImageTest, TruncatedFilesAreRefusedOrKeepTheRowsTheyHold)
{
    const Bitmap original = gradient(16, 16);
    const std::vector<Bgra> originalTexels = expectedTexels(original.get());
    struct Format {
        const char* extension;
        FREE_IMAGE_FORMAT format;
        // Whether rows come bottom row first in the file, right after a
        // header, so that a cut file still holds the lowest rows whole.
        bool rowsInFileOrder;
    };
    const Format formats[] = {
        {"png", FIF_PNG, false}, {"bmp", FIF_BMP, true}, {"tga", FIF_TARGA, true}, {"jpg", FIF_JPEG, false}};
    for (const Format& format : formats) {
        const std::string whole = encode(original.get(), format.format);
        ASSERT_FALSE(whole.empty()) << format.extension;
        for (const std::size_t percent : {0u, 1u, 30u, 60u, 95u}) {
            const std::string stem = format.extension + std::string("Cut") + std::to_string(percent);
            const std::string fileName = stem + "." + format.extension;
            const std::size_t kept = whole.size() * percent / 100;
            writeImage(fileName, whole.substr(0, kept));

            LogCapture log;
            const Texture* texture = addImage(fileName);
            EXPECT_EQ(takeGlError(), GL_NO_ERROR) << fileName;
            // A file shorter than any header holds no image, and the PNG
            // decoder checks the integrity of its data.
            if (percent < 2 || format.format == FIF_PNG) {
                EXPECT_EQ(texture, nullptr) << fileName;
            }
            // The decoder's own messages, if any, come first.
            Lines lines = log.lines();
            ASSERT_FALSE(lines.empty()) << fileName;
            const std::string outcome = lines.back();
            lines.pop_back();
            for (const std::string& decoderMessage : lines) {
                EXPECT_EQ(decoderMessage.rfind("ERROR TextureManager: ", 0), 0u) << fileName;
            }
            // The PNG decoder says what it found wrong with data cut short.
            if (format.format == FIF_PNG && percent >= 30) {
                EXPECT_FALSE(lines.empty()) << fileName;
            }
            if (texture == nullptr) {
                EXPECT_EQ(outcome, cannotRead(fileName).front());
                continue;
            }
            EXPECT_EQ(outcome, "INFO TextureManager: Texture '" + fileName + "' added successfully as '" + stem + "'");
            ASSERT_EQ(texture->width, 16) << fileName;
            ASSERT_EQ(texture->height, 16) << fileName;
            if (format.rowsInFileOrder && percent >= 30) {
                const std::vector<Bgra> texels = texelsOf(*texture);
                EXPECT_TRUE(std::equal(texels.begin(), texels.begin() + 16, originalTexels.begin())) << fileName;
            }
        }
    }
}

TEST_F(BadImageTest, ContentDecidesOverTheExtensionAndUnknownContentIsRefused)
{
    const Bitmap original = gradient(3, 2);
    writeImage("disguised.bmp", encode(original.get(), FIF_PNG));
    writeImage("disguised.jpg", encode(original.get(), FIF_TARGA));
    writeImage("noise.qqq", std::string(300, '\x5a'));
    writeImage("noise.png", std::string(300, '\x5a'));
    // Fax files are known by their extension but cannot be read by FreeImage.
    writeImage("fax.g3", std::string(300, '\x5a'));
    // FreeImage's reader would never return from an X bitmap whose data end
    // early, so none is read, short or whole.
    writeImage("short.xbm", "#define short_width 16\n#define short_height 16\nstatic char short_bits[] = {0x00,\n};\n");
    writeImage("whole.xbm", "#define whole_width 8\n#define whole_height 1\nstatic char whole_bits[] = {0x55};\n");

    for (const char* disguised : {"disguised.bmp", "disguised.jpg"}) {
        LogCapture log;
        const Texture* texture = addImage(disguised);
        ASSERT_NE(texture, nullptr) << disguised << log.text();
        // The TGA is saved without the compression of a JPEG, so both come
        // back exactly.
        EXPECT_EQ(texelsOf(*texture), expectedTexels(original.get())) << disguised;
    }
    expectRefused("noise.qqq", {"ERROR TextureManager: Unrecognized file format 'res/texture/noise.qqq'",
                                "ERROR TextureManager: Cannot read file 'noise.qqq'"});
    expectRefused("noise.png", cannotRead("noise.png"));
    // Sparse: no decoder reads far into a file of NUL bytes.
    writeImage("vast.png", "");
    std::filesystem::resize_file(workspace.path() / "res/texture/vast.png", std::uintmax_t{100} << 30);
    expectRefused("vast.png", cannotRead("vast.png"));
    for (const std::string fileName : {"fax.g3", "short.xbm", "whole.xbm"}) {
        expectRefused(fileName, {"ERROR TextureManager: Unsupported file format 'res/texture/" + fileName + "'",
                                 "ERROR TextureManager: Cannot read file '" + fileName + "'"});
    }
}

TEST_F(BadImageTest, PathsThatAreNoRegularFileAreNotRead)
{
    // A named pipe would block until a writer came, and /dev/zero never
    // ends. A directory FreeImage reads as a file of no format it knows,
    // which its name alone may still name.
    std::filesystem::create_directories(workspace.path() / "res/texture/folder.png");
    std::filesystem::create_directories(workspace.path() / "res/texture/folder");
    ASSERT_EQ(mkfifo((workspace.path() / "res/texture/pipe.png").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((workspace.path() / "res/texture/pipe").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", workspace.path() / "res/texture/zero.tga");

    for (const char* fileName : {"folder.png", "pipe.png", "pipe", "zero.tga"}) {
        expectRefused(fileName, cannotRead(fileName));
    }
    expectRefused("folder", {"ERROR TextureManager: Unrecognized file format 'res/texture/folder'",
                             "ERROR TextureManager: Cannot read file 'folder'"});
}

TEST_F(BadImageTest, PalettisedAndSixteenBitImagesBecomeBgra)
{
    const unsigned int width = 5;
    // Two-colour and sixteen-colour palettes, rows padded to four bytes.
    for (const int bitsPerPixel : {1, 4}) {
        Bitmap indexed(FreeImage_Allocate(static_cast<int>(width), 1, bitsPerPixel));
        RGBQUAD* palette = FreeImage_GetPalette(indexed.get());
        palette[0] = {10, 20, 30, 0};
        palette[1] = {200, 150, 100, 0};
        for (unsigned int x = 0; x < width; ++x) {
            BYTE index = x % 2;
            FreeImage_SetPixelIndex(indexed.get(), x, 0, &index);
        }
        const std::string fileName = "indexed" + std::to_string(bitsPerPixel) + ".bmp";
        writeImage(fileName, encode(indexed.get(), FIF_BMP));
        const Texture* texture = addImage(fileName);
        ASSERT_NE(texture, nullptr) << fileName;
        const std::vector<Bgra> texels = texelsOf(*texture);
        for (unsigned int x = 0; x < width; ++x) {
            const RGBQUAD& colour = palette[x % 2];
            EXPECT_EQ(texels[x], (Bgra{colour.rgbBlue, colour.rgbGreen, colour.rgbRed, 255})) << fileName << x;
        }
    }

    // Sixteen bits per channel keep their high byte.
    const std::uint16_t samples[] = {0x0000, 0x12ff, 0x8001, 0xfedc, 0xffff, 0x7f80};
    Bitmap grey(FreeImage_AllocateT(FIT_UINT16, 6, 1));
    std::copy(std::begin(samples), std::end(samples), reinterpret_cast<std::uint16_t*>(FreeImage_GetBits(grey.get())));
    writeImage("grey16.png", encode(grey.get(), FIF_PNG));
    Bitmap colour(FreeImage_AllocateT(FIT_RGBA16, 1, 1));
    auto* pixel = reinterpret_cast<FIRGBA16*>(FreeImage_GetBits(colour.get()));
    *pixel = {samples[1], samples[2], samples[3], samples[5]};
    writeImage("rgba16.png", encode(colour.get(), FIF_PNG));
    // 5-6-5 colour: the high bits of each field, widened.
    Bitmap packed(FreeImage_Allocate(1, 1, 16, FI16_565_RED_MASK, FI16_565_GREEN_MASK, FI16_565_BLUE_MASK));
    *reinterpret_cast<std::uint16_t*>(FreeImage_GetBits(packed.get())) = (31 << 11) | (0 << 5) | 16;
    writeImage("packed565.bmp", encode(packed.get(), FIF_BMP));

    const Texture* greyTexture = addImage("grey16.png");
    ASSERT_NE(greyTexture, nullptr);
    std::vector<Bgra> expectedGrey;
    for (const std::uint16_t sample : samples) {
        const auto highByte = static_cast<std::uint8_t>(sample >> 8);
        expectedGrey.push_back({highByte, highByte, highByte, 255});
    }
    EXPECT_EQ(texelsOf(*greyTexture), expectedGrey);
    const Texture* colourTexture = addImage("rgba16.png");
    ASSERT_NE(colourTexture, nullptr);
    const auto high = [](std::uint16_t sample) { return static_cast<std::uint8_t>(sample >> 8); };
    EXPECT_EQ(texelsOf(*colourTexture),
              (std::vector<Bgra>{{high(pixel->blue), high(pixel->green), high(pixel->red), high(pixel->alpha)}}));
    const Texture* packedTexture = addImage("packed565.bmp");
    ASSERT_NE(packedTexture, nullptr);
    const std::vector<Bgra> packedTexels = texelsOf(*packedTexture);
    EXPECT_EQ(packedTexels[0][2], 255);
    EXPECT_EQ(packedTexels[0][1], 0);
    EXPECT_NEAR(packedTexels[0][0], 16 * 255 / 31, 1);
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);
}

TEST_F(BadImageTest, HeadersClaimingMoreThanTheDriverTakesAreRefusedBeforeThePixelsExist)
{
    const long peakBefore = peakResidentKilobytes();
    writeImage("vast.bmp", bmpClaiming(100000, 100000));
    writeImage("vastTopDown.bmp", bmpClaiming(100000, static_cast<std::uint32_t>(-100000)));
    writeImage("vast.tga", tgaClaiming(65535, 65535));
    writeImage("vast.png", pngClaiming(100000, 100000));
    writeImage("vast.jpg", jpegClaiming(65500, 65500));
    // The extension plays no part once the content is known.
    writeImage("vastBmp.png", bmpClaiming(60000, 60000));
    // Headers FreeImage cannot read alone, whose decoders would fill the
    // claimed size first.
    writeImage("vast.gif", gifClaiming(65535, 65535));
    writeImage("vastGif.tga", gifClaiming(20000, 30));
    writeImage("vast.dds", ddsClaiming(100000, 100000));
    writeImage("vast.sgi", sgiClaiming(65535, 65535));
    writeImage("vast.wbmp", wbmpHeader(100000, 100000) + std::string(64, '\x55'));
    writeImage("vast.iff", ilbmOf(30000, 30000, 1));
    for (const char* fileName : {"vast.bmp", "vastTopDown.bmp", "vast.tga", "vast.png", "vast.jpg", "vastBmp.png",
                                 "vast.gif", "vastGif.tga", "vast.dds", "vast.sgi", "vast.wbmp", "vast.iff"}) {
        expectRefused(fileName, invalid(fileName));
    }
    // Any of them decoded whole would have taken gigabytes.
    EXPECT_LT(peakResidentKilobytes() - peakBefore, 256 * 1024);
}

TEST_F(BadImageTest, TheDriversLargestSizeIsTheLastOneTaken)
{
    const int limit = driverTextureLimit();
    ASSERT_GT(limit, 0);
    const auto side = static_cast<unsigned int>(limit);
    writeImage("widest.bmp", encode(gradient(side, 1).get(), FIF_BMP));
    writeImage("tallest.tga", encode(gradient(1, side).get(), FIF_TARGA));
    writeImage("tooWide.bmp", encode(gradient(side + 1, 1).get(), FIF_BMP));
    writeImage("tooTall.tga", encode(gradient(1, side + 1).get(), FIF_TARGA));
    const Bitmap wideGrey(FreeImage_ConvertTo8Bits(gradient(side + 1, 1).get()));
    writeImage("tooWide.gif", encode(wideGrey.get(), FIF_GIF));
    writeImage("tooWide.wbmp", wbmpOf(side + 1, 1));
    writeImage("widest.wbmp", wbmpOf(side, 1));
    writeImage("tooWide.iff", ilbmOf(side + 1, 1, 1));
    // Its size is known only once decoded, and checked then.
    writeImage("tooWide.mng", mngOf(gradient(side + 1, 1).get()));
    writeImage("widest.mng", mngOf(gradient(side, 1).get()));

    const Texture* widest = addImage("widest.bmp");
    ASSERT_NE(widest, nullptr);
    EXPECT_EQ(widest->width, limit);
    const Texture* tallest = addImage("tallest.tga");
    ASSERT_NE(tallest, nullptr);
    EXPECT_EQ(tallest->height, limit);
    for (const char* fileName : {"widest.wbmp", "widest.mng"}) {
        const Texture* widestOfItsFormat = addImage(fileName);
        ASSERT_NE(widestOfItsFormat, nullptr) << fileName;
        EXPECT_EQ(widestOfItsFormat->width, limit) << fileName;
    }
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);
    manager.cleanUp();

    for (const char* fileName :
         {"tooWide.bmp", "tooTall.tga", "tooWide.gif", "tooWide.wbmp", "tooWide.iff", "tooWide.mng"}) {
        expectRefused(fileName, invalid(fileName));
    }
}

TEST_F(BadImageTest, ClaimsTheFileCannotHoldAndNamesItsContentDoesNotBackAreRefusedWithTheirReason)
{
    // More texels than an image may have, in a sound file of a few tens of
    // kilobytes that FreeImage would decode whole; and sizes that formats
    // storing their texels as they are could only hold in far more bytes.
    writeImage("blank.png", blankOneBitPng(12000, 12000));
    writeImage("claim.sgi", sgiClaiming(8000, 8000));
    writeImage("claim.dds", ddsClaiming(4096, 4096));
    writeImage("claim.wbmp", wbmpHeader(4096, 4096) + std::string(64, '\x55'));
    const auto refusedBecause = [](const std::string& fileName, const std::string& reason) {
        return Lines{"ERROR TextureManager: '" + fileName + "' " + reason,
                     "ERROR TextureManager: Invalid texture '" + fileName + "'"};
    };
    expectRefused("blank.png", refusedBecause("blank.png", "claims 12000 x 12000 texels, more than the 67108864 "
                                                           "an image may have"));
    expectRefused("claim.sgi", refusedBecause("claim.sgi", "claims 8000 x 8000 texels, more than its 512 bytes hold"));
    expectRefused("claim.dds", refusedBecause("claim.dds", "claims 4096 x 4096 texels, more than its 128 bytes hold"));
    expectRefused("claim.wbmp",
                  refusedBecause("claim.wbmp", "claims 4096 x 4096 texels, more than its 70 bytes hold"));

    // FreeImage's PICT reader never returns from this text, and its XPM
    // reader reads zeros for a minute a gigabyte.
    writeImage("tree.pict", "this is a picture of a tree, honest\n");
    writeImage("zeros.xpm", std::string(4096, '\0'));
    for (const auto& [fileName, format] : {std::pair{"tree.pict", "PICT"}, std::pair{"zeros.xpm", "XPM"}}) {
        expectRefused(fileName, {std::string("ERROR TextureManager: '") + fileName + "' holds no " + format +
                                     " image, only its name says so",
                                 std::string("ERROR TextureManager: Cannot read file '") + fileName + "'"});
    }

    // The sound neighbours: a wireless bitmap that holds its texels, and an
    // XPM that says what it is.
    writeImage("whole.wbmp", wbmpOf(4096, 2));
    writeImage("dot.xpm", "/* XPM */\nstatic char* dot[] = {\"1 1 1 1\", \"a c #ff0000\", \"a\"};\n");
    for (const char* fileName : {"whole.wbmp", "dot.xpm"}) {
        LogCapture log;
        EXPECT_NE(addImage(fileName), nullptr) << fileName << "\n" << log.text();
    }
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);
}

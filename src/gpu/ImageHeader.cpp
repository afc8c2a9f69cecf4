#include "gpu/ImageHeader.h"

#include <FreeImage.h>

#include <algorithm>
#include <array>
#include <fstream>

namespace {

unsigned int littleEndian(const unsigned char* bytes, int count)
{
    unsigned int value = 0;
    for (int index = count - 1; index >= 0; --index) {
        value = value << 8 | bytes[index];
    }
    return value;
}

unsigned int bigEndian(const unsigned char* bytes, int count)
{
    unsigned int value = 0;
    for (int index = 0; index < count; ++index) {
        value = value << 8 | bytes[index];
    }
    return value;
}

// Skips a run of data sub-blocks, each led by its length, up to the empty
// one that ends the run.
bool skipSubBlocks(std::istream& file)
{
    for (int length = file.get(); length > 0; length = file.get()) {
        file.ignore(length);
    }
    return static_cast<bool>(file);
}

// The decoder makes a bitmap of the first frame's size, which stands past
// the colour table and the extension blocks before it.
std::optional<ImageHeader::Size> gifFrameSize(std::istream& file)
{
    std::array<unsigned char, 13> screen{};
    file.read(reinterpret_cast<char*>(screen.data()), screen.size());
    const unsigned char flags = screen[10];
    if ((flags & 0x80) != 0) {
        file.ignore(3 << ((flags & 0x07) + 1));
    }
    int introducer = file.get();
    while (introducer == 0x21 && file.get() != EOF && skipSubBlocks(file)) {
        introducer = file.get();
    }
    std::array<unsigned char, 8> frame{};
    if (introducer != 0x2c || !file.read(reinterpret_cast<char*>(frame.data()), frame.size())) {
        return std::nullopt;
    }
    return ImageHeader::Size{littleEndian(&frame[4], 2), littleEndian(&frame[6], 2)};
}

std::optional<ImageHeader::Size> ddsSize(std::istream& file)
{
    std::array<unsigned char, 20> header{};
    if (!file.read(reinterpret_cast<char*>(header.data()), header.size())) {
        return std::nullopt;
    }
    return ImageHeader::Size{littleEndian(&header[16], 4), littleEndian(&header[12], 4)};
}

std::optional<ImageHeader::Size> sgiSize(std::istream& file)
{
    std::array<unsigned char, 10> header{};
    if (!file.read(reinterpret_cast<char*>(header.data()), header.size())) {
        return std::nullopt;
    }
    return ImageHeader::Size{bigEndian(&header[6], 2), bigEndian(&header[8], 2)};
}

// The bitmap header, where it is the form's first chunk as writers put it.
std::optional<ImageHeader::Size> iffSize(std::istream& file)
{
    std::array<char, 24> header{};
    if (!file.read(header.data(), header.size()) || std::string(&header[0], 4) != "FORM" ||
        std::string(&header[12], 4) != "BMHD") {
        return std::nullopt;
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(header.data());
    return ImageHeader::Size{bigEndian(&bytes[20], 2), bigEndian(&bytes[22], 2)};
}

// Seven bits a byte, the high bit marking that more follow.
std::optional<unsigned int> wbmpNumber(std::istream& file)
{
    unsigned int value = 0;
    for (int digits = 0; digits < 5; ++digits) {
        const int byte = file.get();
        if (byte == EOF) {
            return std::nullopt;
        }
        value = value << 7 | (byte & 0x7f);
        if ((byte & 0x80) == 0) {
            return value;
        }
    }
    return std::nullopt;
}

// A type number and a header byte come before the width and the height.
std::optional<ImageHeader::Size> wbmpSize(std::istream& file)
{
    if (!wbmpNumber(file) || file.get() == EOF) {
        return std::nullopt;
    }
    const std::optional<unsigned int> width = wbmpNumber(file);
    const std::optional<unsigned int> height = wbmpNumber(file);
    if (!width || !height) {
        return std::nullopt;
    }
    return ImageHeader::Size{*width, *height};
}

// The header and the pixels of every channel, one or two bytes each.
std::optional<std::uint64_t> verbatimSgiBytes(std::istream& file)
{
    std::array<unsigned char, 12> header{};
    if (!file.read(reinterpret_cast<char*>(header.data()), header.size()) || header[2] != 0) {
        return std::nullopt;
    }
    const std::uint64_t bytesPerChannel = std::max<unsigned int>(header[3], 1);
    const std::uint64_t channels = bigEndian(&header[4], 2) >= 3 ? std::max(bigEndian(&header[10], 2), 1u) : 1;
    return 512 + std::uint64_t{bigEndian(&header[6], 2)} * bigEndian(&header[8], 2) * channels * bytesPerChannel;
}

// The header and the largest level: blocks of four by four texels for the
// compressed formats, whole texels otherwise.
std::optional<std::uint64_t> ddsBytes(std::istream& file)
{
    constexpr std::uint32_t fourCcFlag = 0x4;
    std::array<unsigned char, 92> header{};
    if (!file.read(reinterpret_cast<char*>(header.data()), header.size())) {
        return std::nullopt;
    }
    const std::uint64_t height = littleEndian(&header[12], 4);
    const std::uint64_t width = littleEndian(&header[16], 4);
    const std::string fourCc(reinterpret_cast<const char*>(&header[84]), 4);
    if ((littleEndian(&header[80], 4) & fourCcFlag) != 0) {
        const std::uint64_t blockBytes = fourCc == "DXT1" ? 8 : 16;
        return 128 + ((width + 3) / 4) * ((height + 3) / 4) * blockBytes;
    }
    return 128 + width * height * (littleEndian(&header[88], 4) / 8);
}

// The header and one bit a texel, each row a whole number of bytes.
std::optional<std::uint64_t> wbmpBytes(std::istream& file)
{
    const std::optional<ImageHeader::Size> size = wbmpSize(file);
    if (!size) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(file.tellg()) + (std::uint64_t{size->width} + 7) / 8 * size->height;
}

} // namespace

std::optional<std::uint64_t> ImageHeader::leastFileBytes(const std::string& path, int freeImageFormat)
{
    std::ifstream file(path, std::ios::binary);
    switch (freeImageFormat) {
    case FIF_SGI:
        return verbatimSgiBytes(file);
    case FIF_DDS:
        return ddsBytes(file);
    case FIF_WBMP:
        return wbmpBytes(file);
    default:
        return std::nullopt;
    }
}

std::optional<ImageHeader::Size> ImageHeader::claimedSize(const std::string& path, int freeImageFormat)
{
    std::ifstream file(path, std::ios::binary);
    switch (freeImageFormat) {
    case FIF_GIF:
        return gifFrameSize(file);
    case FIF_DDS:
        return ddsSize(file);
    case FIF_SGI:
        return sgiSize(file);
    case FIF_WBMP:
        return wbmpSize(file);
    case FIF_IFF:
        return iffSize(file);
    default:
        return std::nullopt;
    }
}

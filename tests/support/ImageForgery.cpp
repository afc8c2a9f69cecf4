#include "ImageForgery.h"

#include <filesystem>

namespace {

void putLittleEndian(std::string& bytes, std::size_t offset, std::uint32_t value, int size)
{
    for (int index = 0; index < size; ++index) {
        bytes[offset + index] = static_cast<char>((value >> (8 * index)) & 0xff);
    }
}

void putBigEndian(std::string& bytes, std::size_t offset, std::uint32_t value, int size)
{
    for (int index = 0; index < size; ++index) {
        bytes[offset + size - 1 - index] = static_cast<char>((value >> (8 * index)) & 0xff);
    }
}

std::uint32_t crc32(const std::string& bytes, std::size_t offset, std::size_t length)
{
    std::uint32_t crc = 0xffffffffu;
    for (std::size_t index = offset; index < offset + length; ++index) {
        crc ^= static_cast<std::uint8_t>(bytes[index]);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

std::string iffChunk(const std::string& type, std::string data)
{
    if (data.size() % 2 != 0) {
        data.push_back('\0');
    }
    std::string length(4, '\0');
    putBigEndian(length, 0, static_cast<std::uint32_t>(data.size()), 4);
    return type + length + data;
}

// A chunk as PNG and MNG files hold it: length, type, data, checksum.
std::string pngChunk(const std::string& type, const std::string& data)
{
    std::string chunk(4, '\0');
    putBigEndian(chunk, 0, static_cast<std::uint32_t>(data.size()), 4);
    chunk += type + data + std::string(4, '\0');
    putBigEndian(chunk, chunk.size() - 4, crc32(chunk, 4, type.size() + data.size()), 4);
    return chunk;
}

} // namespace

namespace ImageForgery {

// Every byte differs from its neighbours, so a row in the wrong place or
// from the wrong file shows.
Bitmap gradient(unsigned int width, unsigned int height)
{
    Bitmap bitmap(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), 24));
    for (unsigned int y = 0; y < height; ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap.get(), static_cast<int>(y));
        for (unsigned int x = 0; x < width * 3; ++x) {
            row[x] = static_cast<BYTE>(x * 7 + y * 31);
        }
    }
    return bitmap;
}

std::string encode(FIBITMAP* bitmap, FREE_IMAGE_FORMAT format, int flags)
{
    FIMEMORY* memory = FreeImage_OpenMemory();
    std::string bytes;
    BYTE* data = nullptr;
    DWORD size = 0;
    if (FreeImage_SaveToMemory(format, bitmap, memory, flags) && FreeImage_AcquireMemory(memory, &data, &size)) {
        bytes.assign(reinterpret_cast<const char*>(data), size);
    }
    FreeImage_CloseMemory(memory);
    return bytes;
}

// Small valid files whose headers are then made to claim another size, with
// everything else left as it was.
std::string bmpClaiming(std::uint32_t width, std::uint32_t height)
{
    std::string bytes = encode(gradient(4, 4).get(), FIF_BMP);
    putLittleEndian(bytes, 18, width, 4);
    putLittleEndian(bytes, 22, height, 4);
    return bytes;
}

std::string tgaClaiming(std::uint32_t width, std::uint32_t height)
{
    std::string bytes = encode(gradient(4, 4).get(), FIF_TARGA);
    putLittleEndian(bytes, 12, width, 2);
    putLittleEndian(bytes, 14, height, 2);
    return bytes;
}

// The header chunk comes first, after the signature, and carries a checksum
// that must match for the header to be read at all.
std::string pngClaiming(std::uint32_t width, std::uint32_t height)
{
    std::string bytes = encode(gradient(4, 4).get(), FIF_PNG);
    putBigEndian(bytes, 16, width, 4);
    putBigEndian(bytes, 20, height, 4);
    putBigEndian(bytes, 29, crc32(bytes, 12, 17), 4);
    return bytes;
}

std::string jpegClaiming(std::uint32_t width, std::uint32_t height)
{
    std::string bytes = encode(gradient(16, 16).get(), FIF_JPEG);
    const std::size_t frame = bytes.find("\xff\xc0");
    if (frame != std::string::npos) {
        putBigEndian(bytes, frame + 5, height, 2);
        putBigEndian(bytes, frame + 7, width, 2);
    }
    return bytes;
}

// A GIF of a few bytes whose one frame claims width x height, after a
// two-colour table and a graphic control block.
std::string gifClaiming(std::uint32_t width, std::uint32_t height)
{
    std::string bytes = std::string("GIF89a") + std::string(7, '\0');
    putLittleEndian(bytes, 6, width, 2);
    putLittleEndian(bytes, 8, height, 2);
    bytes[10] = static_cast<char>(0x80);
    bytes += std::string("\0\0\0\xff\xff\xff", 6);
    bytes += std::string("\x21\xf9\x04\0\0\0\0\0", 8);
    std::string frame(10, '\0');
    frame[0] = ',';
    putLittleEndian(frame, 5, width, 2);
    putLittleEndian(frame, 7, height, 2);
    return bytes + frame + std::string("\x02\x02\x44\x01\0;", 6);
}

// A wireless bitmap, one bit per pixel, has no signature and no header
// FreeImage reads alone; its sizes are variable-length numbers.
std::string wbmpHeader(std::uint32_t width, std::uint32_t height)
{
    const auto number = [](std::uint32_t value) {
        std::string digits(1, static_cast<char>(value & 0x7f));
        for (value >>= 7; value != 0; value >>= 7) {
            digits.insert(digits.begin(), static_cast<char>(0x80 | (value & 0x7f)));
        }
        return digits;
    };
    return std::string(2, '\0') + number(width) + number(height);
}

std::string wbmpOf(std::uint32_t width, std::uint32_t height)
{
    return wbmpHeader(width, height) + std::string(static_cast<std::size_t>((width + 7) / 8) * height, '\x55');
}

// A header of uncompressed 32-bit texels, with nothing after it.
std::string ddsClaiming(std::uint32_t width, std::uint32_t height)
{
    std::string bytes = "DDS " + std::string(124, '\0');
    putLittleEndian(bytes, 4, 124, 4);
    putLittleEndian(bytes, 8, 0x100f, 4);
    putLittleEndian(bytes, 12, height, 4);
    putLittleEndian(bytes, 16, width, 4);
    putLittleEndian(bytes, 20, width * 4, 4);
    putLittleEndian(bytes, 76, 32, 4);
    putLittleEndian(bytes, 80, 0x41, 4);
    putLittleEndian(bytes, 88, 32, 4);
    putLittleEndian(bytes, 92, 0xff0000, 4);
    putLittleEndian(bytes, 96, 0xff00, 4);
    putLittleEndian(bytes, 100, 0xff, 4);
    putLittleEndian(bytes, 104, 0xff000000u, 4);
    return bytes;
}

// Three channels of one byte, uncompressed, and a few hundred bytes of them.
std::string sgiClaiming(std::uint32_t width, std::uint32_t height)
{
    std::string bytes(512, '\0');
    putBigEndian(bytes, 0, 474, 2);
    bytes[3] = 1;
    putBigEndian(bytes, 4, 3, 2);
    putBigEndian(bytes, 6, width, 2);
    putBigEndian(bytes, 8, height, 2);
    putBigEndian(bytes, 10, 3, 2);
    return bytes;
}

// An uncompressed interleaved bitmap of 256 greys: eight bit planes, each
// row of each plane padded to sixteen pixels. FreeImage reads no header of
// it alone.
std::string ilbmOf(std::uint32_t width, std::uint32_t height, std::size_t rowsHeld)
{
    std::string header(20, '\0');
    putBigEndian(header, 0, width, 2);
    putBigEndian(header, 2, height, 2);
    header[8] = 8;
    header[14] = 10;
    header[15] = 11;
    putBigEndian(header, 16, width, 2);
    putBigEndian(header, 18, height, 2);
    std::string palette;
    for (int grey = 0; grey < 256; ++grey) {
        palette.append(3, static_cast<char>(grey));
    }
    const std::size_t planeRow = (width + 15) / 16 * 2;
    const std::string body(planeRow * 8 * rowsHeld, '\x55');
    return iffChunk("FORM", "ILBM" + iffChunk("BMHD", header) + iffChunk("CMAP", palette) + iffChunk("BODY", body));
}

// An animation of one PNG frame. FreeImage reads no header of it alone and
// learns the size only from the frame it decodes.
std::string mngOf(FIBITMAP* frame)
{
    std::string header(28, '\0');
    putBigEndian(header, 0, FreeImage_GetWidth(frame), 4);
    putBigEndian(header, 4, FreeImage_GetHeight(frame), 4);
    putBigEndian(header, 8, 1, 4);
    putBigEndian(header, 24, 1, 4);
    const std::string png = encode(frame, FIF_PNG);
    return std::string("\x8aMNG\r\n\x1a\n", 8) + pngChunk("MHDR", header) + png.substr(8) + pngChunk("MEND", "");
}

bool writeSolid(const std::filesystem::path& path, std::array<std::uint8_t, 4> rgba)
{
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    const Bitmap bitmap(FreeImage_Allocate(2, 2, 32));
    for (unsigned int y = 0; y < 2; ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap.get(), static_cast<int>(y));
        for (unsigned int x = 0; x < 2; ++x) {
            row[4 * x + FI_RGBA_RED] = rgba[0];
            row[4 * x + FI_RGBA_GREEN] = rgba[1];
            row[4 * x + FI_RGBA_BLUE] = rgba[2];
            row[4 * x + FI_RGBA_ALPHA] = rgba[3];
        }
    }
    return FreeImage_Save(FIF_PNG, bitmap.get(), path.string().c_str(), 0) != 0;
}

std::string blankOneBitPng(std::uint32_t width, std::uint32_t height)
{
    const Bitmap blank(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), 1));
    RGBQUAD* palette = FreeImage_GetPalette(blank.get());
    palette[0] = {0, 0, 0, 0};
    palette[1] = {255, 255, 255, 0};
    return encode(blank.get(), FIF_PNG);
}

} // namespace ImageForgery

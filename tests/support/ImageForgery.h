#pragma once

#include <FreeImage.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

// Image files made in memory for the tests: sound ones, and ones whose
// headers claim sizes their data does not back.
namespace ImageForgery {

struct BitmapDeleter {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapDeleter>;

// A 24-bit bitmap in which every byte differs from its neighbours.
Bitmap gradient(unsigned int width, unsigned int height);
// The bitmap saved in the format, as the bytes of a file.
std::string encode(FIBITMAP* bitmap, FREE_IMAGE_FORMAT format, int flags = 0);

// Small files of the format whose headers claim width x height.
std::string bmpClaiming(std::uint32_t width, std::uint32_t height);
std::string tgaClaiming(std::uint32_t width, std::uint32_t height);
std::string pngClaiming(std::uint32_t width, std::uint32_t height);
std::string jpegClaiming(std::uint32_t width, std::uint32_t height);
std::string gifClaiming(std::uint32_t width, std::uint32_t height);
std::string ddsClaiming(std::uint32_t width, std::uint32_t height);
std::string sgiClaiming(std::uint32_t width, std::uint32_t height);
// A wireless bitmap's header alone, and a whole one of that size.
std::string wbmpHeader(std::uint32_t width, std::uint32_t height);
std::string wbmpOf(std::uint32_t width, std::uint32_t height);
// An interleaved Amiga bitmap of 256 greys holding rowsHeld of its rows.
std::string ilbmOf(std::uint32_t width, std::uint32_t height, std::size_t rowsHeld);
// An animation of one PNG frame.
std::string mngOf(FIBITMAP* frame);
// A sound one-bit PNG of one colour, which compresses to almost nothing: a
// few tens of kilobytes for 16384 x 16384 texels.
std::string blankOneBitPng(std::uint32_t width, std::uint32_t height);

// A 2 x 2 PNG of one RGBA colour, its folder made; false when it cannot be
// saved.
bool writeSolid(const std::filesystem::path& path, std::array<std::uint8_t, 4> rgba);

} // namespace ImageForgery

#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Turns an image file into the pixels a texture upload reads: 32 bits per
// texel in blue, green, red, alpha order, bottom row first, rows packed.
// It makes no GL call and keeps no state: what it has to say about the file
// comes back with the pixels, for the caller to log, so the decode can run
// wherever a user's file is safe to decode.
class ImageDecoder {
public:
    // Float images hold light for a colour image and directions for a normal
    // map, which go to 8 bits differently. Other images read the same for
    // both.
    enum class Use { Colour, NormalMap };

    // The most texels an image may have, whatever the driver takes: 256 MiB
    // of pixels. A header that claims more is refused before the pixels
    // exist; a one-bit PNG of 16384 x 16384 texels, forty kilobytes, took
    // 15 s and 3.6 GB to decode.
    static constexpr std::uint64_t maxTexels = std::uint64_t{8192} * 8192;

    struct Result {
        // Empty when the file gave no image.
        std::vector<std::uint8_t> pixels;
        unsigned int width = 0;
        unsigned int height = 0;
        // Whether the pixels depend on the use: true for float images.
        bool convertedForUse = false;
        // The texts of the error lines to log, in the order they arose: the
        // library's own messages, then what the decode made of the file.
        std::vector<std::string> errors;

        bool decoded() const { return !pixels.empty(); }
    };

    // path is where the file is read from, fileName how the lines name it;
    // a width or height above maxSize is refused, before the pixels exist
    // where the format allows.
    static Result decode(const std::string& path, const std::string& fileName, Use use, unsigned int maxSize);

    // Sends FreeImage's messages, process-wide, to the lines of the decode
    // under way, and silences libtiff's handlers, which would print to
    // standard error.
    static void routeLibraryMessages();
};

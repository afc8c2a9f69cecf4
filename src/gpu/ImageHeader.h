#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The image size a file's header claims, read straight from the file for
// the formats whose headers FreeImage cannot read alone. Their decoders
// allocate and fill the claimed size before anything can look at it: a GIF
// of thirty bytes claiming 65535 x 65535 costs four gigabytes and a minute,
// a DDS, SGI or IFF header of twenty thousand squared tens of seconds.
class ImageHeader {
public:
    struct Size {
        unsigned int width = 0;
        unsigned int height = 0;
    };

    // Empty for the other formats and for headers too short to hold a size.
    static std::optional<Size> claimedSize(const std::string& path, int freeImageFormat);
    // The fewest bytes a file holding the claimed size can have, for the
    // formats that store their pixels as they are, or in blocks of a fixed
    // size: SGI without run-length encoding, DDS and WBMP. Their decoders
    // fill the claimed size from whatever the file holds, a 512-byte SGI
    // claiming 16384 x 16384 texels for 39 s and 3.6 GB. Empty for other
    // formats and storages.
    static std::optional<std::uint64_t> leastFileBytes(const std::string& path, int freeImageFormat);
};

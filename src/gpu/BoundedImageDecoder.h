#pragma once

#include "base/BoundedCall.h"
#include "gpu/ImageDecoder.h"

#include <string>

// Decodes an image file in a child process of its own (BoundedCall), so
// that whatever FreeImage does on the file, the program gets the pixels, or
// the lines that say why not.
class BoundedImageDecoder {
public:
    // As ImageDecoder::decode. A child that crashed, ran past a limit or
    // replied with no whole image leaves no pixels and two lines: why, then
    // "Cannot read file '<fileName>'".
    static ImageDecoder::Result decode(const std::string& path, const std::string& fileName, ImageDecoder::Use use,
                                       unsigned int maxSize,
                                       const BoundedCall::Limits& limits = BoundedCall::fileLimits);
};

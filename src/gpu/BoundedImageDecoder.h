#pragma once

#include "base/BoundedCall.h"
#include "gpu/ImageDecoder.h"

#include <chrono>
#include <string>
#include <vector>

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

    struct Request {
        std::string path;
        std::string fileName;
        ImageDecoder::Use use;
    };

    // A child for every file costs milliseconds of its own, more than the
    // decode of a small image: a model's images are decoded in one child
    // instead, on a short leash, so that when it fails (one of them
    // crashed it, or they overran its limits) and each file is then decoded
    // in a child of its own under the full limits, a file still ends well
    // within 30 s.
    static constexpr BoundedCall::Limits batchLimits{std::chrono::seconds(5), BoundedCall::fileLimits.memoryBytes,
                                                     std::chrono::milliseconds(5000),
                                                     BoundedCall::fileLimits.replyBytes};

    // What decode gives for each request, in their order, from one child;
    // nothing when that child did not hand back every result whole.
    static std::vector<ImageDecoder::Result> decodeAll(const std::vector<Request>& requests, unsigned int maxSize,
                                                       const BoundedCall::Limits& limits = batchLimits);
};

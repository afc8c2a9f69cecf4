#include "gpu/BoundedImageDecoder.h"

#include "base/MessageReader.h"
#include "base/MessageWriter.h"

#include <cstdint>
#include <optional>

namespace {

// A message of the decoder's is one log line.
constexpr std::size_t maxLineBytes = std::size_t{1} << 16;

// Runs in the child: the request holds the use, the largest side and the
// two names of the file.
void decodeAndReply(const std::string& request, std::string& bytes)
{
    MessageReader fields(request);
    const auto use = fields.get<ImageDecoder::Use>();
    const auto maxSize = fields.get<unsigned int>();
    const std::string path = fields.getString(request.size());
    const std::string fileName = fields.getString(request.size());
    ImageDecoder::routeLibraryMessages();
    const ImageDecoder::Result result = ImageDecoder::decode(path, fileName, use, maxSize);
    MessageWriter reply;
    reply.put<std::uint8_t>(result.convertedForUse ? 1 : 0);
    reply.put<std::uint32_t>(result.width);
    reply.put<std::uint32_t>(result.height);
    reply.putArray(result.pixels.data(), static_cast<std::uint32_t>(result.pixels.size()));
    reply.put(static_cast<std::uint32_t>(result.errors.size()));
    for (const std::string& line : result.errors) {
        reply.putString(line);
    }
    bytes = std::move(reply.message());
}

// Pixels come whole, four bytes a texel of a size the driver takes, or not
// at all.
bool isWhole(const ImageDecoder::Result& result, unsigned int maxSize)
{
    if (result.pixels.empty()) {
        return result.width == 0 && result.height == 0;
    }
    return result.width > 0 && result.height > 0 && result.width <= maxSize && result.height <= maxSize &&
           result.pixels.size() == std::uint64_t{4} * result.width * result.height;
}

std::optional<ImageDecoder::Result> readReply(const std::string& bytes, unsigned int maxSize)
{
    MessageReader reply(bytes);
    ImageDecoder::Result result;
    const auto converted = reply.get<std::uint8_t>();
    result.convertedForUse = converted == 1;
    result.width = reply.get<std::uint32_t>();
    result.height = reply.get<std::uint32_t>();
    result.pixels.resize(reply.getCount(1));
    reply.getInto(result.pixels.data(), result.pixels.size());
    const std::uint32_t lines = reply.getCount(sizeof(std::uint32_t));
    for (std::uint32_t line = 0; line < lines && reply.ok(); ++line) {
        result.errors.push_back(reply.getString(maxLineBytes));
    }
    if (!reply.finished() || converted > 1 || !isWhole(result, maxSize)) {
        return std::nullopt;
    }
    return result;
}

} // namespace

ImageDecoder::Result BoundedImageDecoder::decode(const std::string& path, const std::string& fileName,
                                                 ImageDecoder::Use use, unsigned int maxSize,
                                                 const BoundedCall::Limits& limits)
{
    MessageWriter request;
    request.put(use);
    request.put(maxSize);
    request.putString(path);
    request.putString(fileName);
    const BoundedCall::Outcome outcome = BoundedCall::run(decodeAndReply, request.message(), limits);
    std::string why = "replied with no whole image";
    if (outcome.ending == BoundedCall::Ending::Replied) {
        if (std::optional<ImageDecoder::Result> result = readReply(outcome.reply, maxSize)) {
            return std::move(*result);
        }
    } else {
        why = outcome.describe(limits);
    }
    ImageDecoder::Result failed;
    failed.errors = {"Decoding '" + fileName + "' " + why, "Cannot read file '" + fileName + "'"};
    return failed;
}

#include "gpu/BoundedImageDecoder.h"

#include "base/MessageReader.h"
#include "base/MessageWriter.h"

#include <cstdint>
#include <optional>

namespace {

// A message of the decoder's is one log line.
constexpr std::size_t maxLineBytes = std::size_t{1} << 16;

void putResult(MessageWriter& reply, const ImageDecoder::Result& result)
{
    reply.put<std::uint8_t>(result.convertedForUse ? 1 : 0);
    reply.put<std::uint32_t>(result.width);
    reply.put<std::uint32_t>(result.height);
    reply.putArray(result.pixels.data(), static_cast<std::uint32_t>(result.pixels.size()));
    reply.put(static_cast<std::uint32_t>(result.errors.size()));
    for (const std::string& line : result.errors) {
        reply.putString(line);
    }
}

void putRequest(MessageWriter& request, const BoundedImageDecoder::Request& image)
{
    request.put(image.use);
    request.putString(image.path);
    request.putString(image.fileName);
}

// Runs in the child: the request holds the largest side, then the use and
// the two names of each file, whose results the reply holds in that order.
void decodeAndReply(const std::string& request, std::string& bytes)
{
    MessageReader fields(request);
    const auto maxSize = fields.get<unsigned int>();
    const std::uint32_t count = fields.getCount(1);
    ImageDecoder::routeLibraryMessages();
    MessageWriter reply;
    reply.put(count);
    for (std::uint32_t image = 0; image < count && fields.ok(); ++image) {
        const auto use = fields.get<ImageDecoder::Use>();
        const std::string path = fields.getString(request.size());
        const std::string fileName = fields.getString(request.size());
        const ImageDecoder::Result result = ImageDecoder::decode(path, fileName, use, maxSize);
        reply.message().reserve(reply.message().size() + result.pixels.size() + 64);
        putResult(reply, result);
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

std::optional<ImageDecoder::Result> readResult(MessageReader& reply, unsigned int maxSize)
{
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
    if (!reply.ok() || converted > 1 || !isWhole(result, maxSize)) {
        return std::nullopt;
    }
    return result;
}

// Every result the request asked for, whole, or nothing.
std::optional<std::vector<ImageDecoder::Result>> run(const std::vector<BoundedImageDecoder::Request>& requests,
                                                     unsigned int maxSize, const BoundedCall::Limits& limits,
                                                     std::string& why)
{
    MessageWriter request;
    request.put(maxSize);
    request.put(static_cast<std::uint32_t>(requests.size()));
    for (const BoundedImageDecoder::Request& image : requests) {
        putRequest(request, image);
    }
    const BoundedCall::Outcome outcome = BoundedCall::run(decodeAndReply, request.message(), limits);
    if (outcome.ending != BoundedCall::Ending::Replied) {
        why = outcome.describe(limits);
        return std::nullopt;
    }
    why = "replied with no whole image";
    MessageReader reply(outcome.reply);
    std::vector<ImageDecoder::Result> results;
    if (reply.get<std::uint32_t>() != requests.size()) {
        return std::nullopt;
    }
    for (std::size_t image = 0; image < requests.size(); ++image) {
        std::optional<ImageDecoder::Result> result = readResult(reply, maxSize);
        if (!result) {
            return std::nullopt;
        }
        results.push_back(std::move(*result));
    }
    return reply.finished() ? std::optional(std::move(results)) : std::nullopt;
}

} // namespace

ImageDecoder::Result BoundedImageDecoder::decode(const std::string& path, const std::string& fileName,
                                                 ImageDecoder::Use use, unsigned int maxSize,
                                                 const BoundedCall::Limits& limits)
{
    std::string why;
    if (std::optional<std::vector<ImageDecoder::Result>> results = run({{path, fileName, use}}, maxSize, limits, why)) {
        return std::move(results->front());
    }
    ImageDecoder::Result failed;
    failed.errors = {"Decoding '" + fileName + "' " + why, "Cannot read file '" + fileName + "'"};
    return failed;
}

std::vector<ImageDecoder::Result> BoundedImageDecoder::decodeAll(const std::vector<Request>& requests,
                                                                 unsigned int maxSize,
                                                                 const BoundedCall::Limits& limits)
{
    std::string why;
    return run(requests, maxSize, limits, why).value_or(std::vector<ImageDecoder::Result>());
}

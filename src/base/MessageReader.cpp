#include "base/MessageReader.h"

bool MessageReader::take(std::size_t count)
{
    if (failed || count > rest.size()) {
        failed = true;
        return false;
    }
    consumed = rest.data();
    rest.remove_prefix(count);
    return true;
}

std::uint32_t MessageReader::getCount(std::size_t elementBytes, std::uint32_t maxCount)
{
    const auto count = get<std::uint32_t>();
    if (count > maxCount || (elementBytes > 0 && count > rest.size() / elementBytes)) {
        failed = true;
    }
    return failed ? 0 : count;
}

std::string MessageReader::getString(std::size_t maxLength)
{
    const std::uint32_t length = getCount(1);
    if (length > maxLength) {
        failed = true;
    }
    if (failed || !take(length)) {
        return {};
    }
    return std::string(consumed, length);
}

#include "app/Settings.h"

#include "base/Log.h"
#include "base/RegularFileReader.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <sstream>

namespace {

const char* const component = "Settings";

std::int32_t convertLikeAtoi(const std::string& text)
{
    constexpr std::int64_t upper = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t lowerMagnitude = upper + 1;

    std::size_t position = 0;
    while (position < text.size() && std::isspace(static_cast<unsigned char>(text[position]))) {
        ++position;
    }
    bool negative = false;
    if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
        negative = text[position] == '-';
        ++position;
    }
    // Accumulating the magnitude stops growing once it passes the 32-bit
    // range, so arbitrarily long digit runs cannot overflow.
    std::int64_t magnitude = 0;
    for (; position < text.size() && std::isdigit(static_cast<unsigned char>(text[position])); ++position) {
        if (magnitude <= lowerMagnitude) {
            magnitude = magnitude * 10 + (text[position] - '0');
        }
    }
    if (negative) {
        return static_cast<std::int32_t>(-std::min(magnitude, lowerMagnitude));
    }
    return static_cast<std::int32_t>(std::min(magnitude, upper));
}

} // namespace

void Settings::load()
{
    const RegularFileReader::Result file = RegularFileReader::read("settings.txt", maxFileBytes);
    if (file.outcome == RegularFileReader::Outcome::Read) {
        std::istringstream text(file.contents);
        read(text);
        return;
    }
    values.clear();
    if (file.outcome == RegularFileReader::Outcome::TooLarge) {
        Log::error(component, "settings.txt is larger than " + std::to_string(maxFileBytes >> 20) + " MiB");
    } else {
        Log::error(component, "Could not find settings.txt");
    }
}

bool Settings::read(std::istream& input)
{
    values.clear();
    std::string key;
    std::string value;
    while (input >> key && input >> value) {
        values[key] = value;
    }
    // The extractors report a failing read of the file (for instance EIO)
    // as badbit; the end of the input only sets eofbit and failbit.
    if (input.bad()) {
        values.clear();
        return false;
    }
    return true;
}

std::int32_t Settings::getInt(const std::string& key) const
{
    const auto found = values.find(key);
    if (found == values.end()) {
        return -1;
    }
    return convertLikeAtoi(found->second);
}

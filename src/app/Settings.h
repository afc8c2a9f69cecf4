#pragma once

#include <cstdint>
#include <istream>
#include <map>
#include <string>

// The key/value pairs of settings.txt in the working directory.
class Settings {
public:
    // Three keys take a few bytes; the limit only keeps a runaway file
    // (gigabytes without a blank would be one token) from taking the memory.
    static constexpr std::uintmax_t maxFileBytes = std::uintmax_t{64} << 20;

    // Reads settings.txt with read(). A file that is missing, is not a
    // regular file (a directory, a device, a pipe), fails while being read
    // or is larger than maxFileBytes leaves the map empty after one error
    // line.
    void load();

    // Replaces the map with the whitespace-separated tokens of the input,
    // taken in pairs (key, value); a later value for a key replaces an
    // earlier one and a final key without a value is dropped. False, with
    // the map left empty, when the input fails other than by ending.
    bool read(std::istream& input);

    // The value converted as atoi does (leading blanks, sign, digits), with
    // values beyond the 32-bit range clamped to it; -1 for a missing key.
    std::int32_t getInt(const std::string& key) const;

private:
    std::map<std::string, std::string> values;
};

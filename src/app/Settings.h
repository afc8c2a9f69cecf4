#pragma once

#include <cstdint>
#include <map>
#include <string>

// The key/value pairs of settings.txt in the working directory.
class Settings {
public:
    // Reads whitespace-separated tokens in pairs (key, value); a later value
    // for a key replaces an earlier one and a final key without a value is
    // dropped. A missing file leaves the map empty after one error line.
    void load();

    // The value converted as atoi does (leading blanks, sign, digits), with
    // values beyond the 32-bit range clamped to it; -1 for a missing key.
    std::int32_t getInt(const std::string& key) const;

private:
    std::map<std::string, std::string> values;
};

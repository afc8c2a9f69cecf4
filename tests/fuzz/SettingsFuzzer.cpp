// Feeds arbitrary bytes to the settings reader as the content of
// settings.txt and checks its answers against a plain re-reading of the same
// tokens: pairs in order, the last value of a key wins, an unpaired final
// key is dropped, values convert like atoi clamped to 32 bits.
#include "app/Settings.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

bool isBlank(char character)
{
    switch (character) {
    case ' ':
    case '\t':
    case '\n':
    case '\v':
    case '\f':
    case '\r':
        return true;
    default:
        return false;
    }
}

std::vector<std::string> tokensOf(const std::string& content)
{
    std::vector<std::string> tokens;
    std::string current;
    for (const char character : content) {
        if (!isBlank(character)) {
            current += character;
        } else if (!current.empty()) {
            tokens.push_back(current);
            current.clear();
        }
    }
    if (!current.empty()) {
        tokens.push_back(current);
    }
    return tokens;
}

std::int32_t expectedValue(const std::string& value)
{
    // strtoll stops at the first zero byte just as atoi would, and saturates
    // at its own range, which lies beyond 32 bits on every side.
    const long long parsed = std::strtoll(value.c_str(), nullptr, 10);
    if (parsed > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (parsed < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(parsed);
}

void require(bool holds, const char* what, const std::string& key)
{
    if (!holds) {
        std::fprintf(stderr, "settings invariant broken: %s (key of %zu bytes)\n", what, key.size());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string content(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> tokens = tokensOf(content);
    std::map<std::string, std::string> expected;
    for (std::size_t index = 0; index + 1 < tokens.size(); index += 2) {
        expected[tokens[index]] = tokens[index + 1];
    }

    Settings settings;
    std::istringstream input(content);
    require(settings.read(input), "an in-memory stream was reported as failing", "");
    Settings again;
    std::istringstream sameInput(content);
    again.read(sameInput);

    std::vector<std::string> keys = {"FULLSCREEN", "WIDTH", "HEIGHT", ""};
    keys.insert(keys.end(), tokens.begin(), tokens.end());
    for (const std::string& token : tokens) {
        keys.push_back(token.substr(1));
        keys.push_back(token + "x");
    }
    for (const std::string& key : keys) {
        const auto found = expected.find(key);
        const std::int32_t value = settings.getInt(key);
        if (found == expected.end()) {
            require(value == -1, "a key absent from the input did not read -1", key);
        } else {
            require(value == expectedValue(found->second), "a value did not convert like atoi", key);
        }
        require(again.getInt(key) == value, "reading the same bytes twice gave another value", key);
    }
    return 0;
}

#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

// Reads what a MessageWriter built, trusting none of it: the bytes come
// from a child process that a library may have left in any state. Reading
// past the end, or a count the rest of the message cannot hold, fails the
// reader for good and yields zeros, so nothing is allocated for data the
// message does not carry.
class MessageReader {
public:
    explicit MessageReader(std::string_view message) : rest(message) {}

    template <typename T>
    T get()
    {
        static_assert(std::is_trivially_copyable_v<T>);
        T value{};
        if (take(sizeof(T))) {
            std::memcpy(&value, consumed, sizeof(T));
        }
        return value;
    }

    // A count of elements of at least elementBytes each that the rest of
    // the message can hold, and at most maxCount; 0 after failing otherwise.
    std::uint32_t getCount(std::size_t elementBytes, std::uint32_t maxCount = UINT32_MAX);

    // Copies count values into the array; false, after failing, when the
    // message holds fewer.
    template <typename T>
    bool getInto(T* values, std::size_t count)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        if (count > rest.size() / sizeof(T)) {
            failed = true;
        }
        if (failed || count == 0 || !take(sizeof(T) * count)) {
            return ok();
        }
        std::memcpy(values, consumed, sizeof(T) * count);
        return true;
    }

    // Fails for a string longer than maxLength.
    std::string getString(std::size_t maxLength);

    // Marks the message as malformed for a reason found by the caller.
    void fail() { failed = true; }
    bool ok() const { return !failed; }
    // True when everything was read and nothing is left over.
    bool finished() const { return !failed && rest.empty(); }

private:
    bool take(std::size_t count);

    std::string_view rest;
    const char* consumed = nullptr;
    bool failed = false;
};

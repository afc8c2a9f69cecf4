#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

// Builds a reply of a child process as plain bytes: values of trivially
// copyable types as they lie in memory (both ends are the same program on
// the same machine), strings and arrays after their 32-bit count.
class MessageWriter {
public:
    template <typename T>
    void put(const T& value)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        bytes.append(reinterpret_cast<const char*>(&value), sizeof(T));
    }

    template <typename T>
    void putArray(const T* values, std::uint32_t count)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        put(count);
        bytes.append(reinterpret_cast<const char*>(values), sizeof(T) * count);
    }

    void putString(std::string_view text);

    std::string& message() { return bytes; }

private:
    std::string bytes;
};

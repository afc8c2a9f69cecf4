#include "base/RegularFileReader.h"

#include <array>
#include <fstream>

RegularFileReader::Result RegularFileReader::read(const std::filesystem::path& path, std::uintmax_t maxBytes)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return {};
    }
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error) {
        return {};
    }
    if (size > maxBytes) {
        return {Outcome::TooLarge, {}};
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return {};
    }
    return readBounded(file, size, maxBytes);
}

// The file may have grown since its size was taken, and some files report
// no size at all, so the read itself stops one chunk past the limit.
RegularFileReader::Result RegularFileReader::readBounded(std::istream& file, std::uintmax_t expectedBytes,
                                                         std::uintmax_t maxBytes)
{
    Result result{Outcome::Read, {}};
    result.contents.reserve(static_cast<std::size_t>(expectedBytes));
    std::array<char, 1 << 16> chunk{};
    while (file.read(chunk.data(), chunk.size()) || file.gcount() > 0) {
        result.contents.append(chunk.data(), static_cast<std::size_t>(file.gcount()));
        if (result.contents.size() > maxBytes) {
            return {Outcome::TooLarge, {}};
        }
    }
    // Reaching the end sets failbit as well; only badbit means the read
    // itself failed (for instance with EIO).
    if (file.bad()) {
        return {};
    }
    return result;
}

#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>

// Reads whole regular files up to a size limit. Nothing else is read: a
// named pipe blocks the open until a writer comes, a device may never end
// and a directory opens as a stream that reads nothing; a file beyond the
// limit (a sparse file can claim terabytes) is refused before anything is
// allocated for it.
class RegularFileReader {
public:
    enum class Outcome { Read, Unreadable, TooLarge };

    struct Result {
        Outcome outcome = Outcome::Unreadable;
        std::string contents;
    };

    // The file's bytes as they are, when it is a regular file of at most
    // maxBytes bytes that reads to its end.
    static Result read(const std::filesystem::path& path, std::uintmax_t maxBytes);

private:
    static Result readBounded(std::istream& file, std::uintmax_t expectedBytes, std::uintmax_t maxBytes);
};

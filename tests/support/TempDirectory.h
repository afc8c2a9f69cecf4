#pragma once

#include <filesystem>
#include <string>

// A fresh directory that becomes the working directory while the object
// lives; the previous working directory is restored and the directory
// removed afterwards.
class TempDirectory {
public:
    TempDirectory();
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::filesystem::path& path() const { return directory; }
    // Writes a file below the directory, creating its parent folders.
    void write(const std::filesystem::path& relative, const std::string& content) const;

private:
    std::filesystem::path previous;
    std::filesystem::path directory;
};

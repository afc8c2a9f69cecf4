#include "TempDirectory.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <vector>

TempDirectory::TempDirectory()
    : previous(std::filesystem::current_path())
{
    std::string pattern = (std::filesystem::temp_directory_path() / "glimmerhall-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary directory");
    }
    directory = buffer.data();
    std::filesystem::current_path(directory);
}

TempDirectory::~TempDirectory()
{
    std::error_code ignored;
    std::filesystem::current_path(previous, ignored);
    std::filesystem::remove_all(directory, ignored);
}

void TempDirectory::write(const std::filesystem::path& relative, const std::string& content) const
{
    const std::filesystem::path target = directory / relative;
    std::filesystem::create_directories(target.parent_path());
    std::ofstream(target, std::ios::binary) << content;
}

#include "FileContent.h"

#include <fstream>
#include <sstream>

std::string fileContent(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

#include "base/FileStem.h"

std::string fileStem(const std::string& fileName)
{
    return fileName.substr(0, fileName.find('.'));
}

std::optional<std::string> textureFileName(const std::string& path)
{
    // Model files hand over C strings; whatever follows a zero byte would be
    // cut off again when the name reaches the file system.
    const std::string text = path.substr(0, path.find('\0'));
    const std::size_t lastSeparator = text.find_last_of("/\\");
    std::string name = lastSeparator == std::string::npos ? text : text.substr(lastSeparator + 1);
    if (name.empty() || name == "." || name == "..") {
        return std::nullopt;
    }
    return name;
}

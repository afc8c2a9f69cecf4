// Feeds arbitrary bytes as a texture path from a model file and checks that
// the file name it reduces to, and the stem the texture is registered under,
// stay inside the texture directory whatever the path holds.
#include "base/FileStem.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace {

void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "texture path invariant broken: %s\n", what);
        std::abort();
    }
}

bool isSeparator(char character)
{
    return character == '/' || character == '\\';
}

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

void checkStem(const std::string& fileName)
{
    const std::string stem = fileStem(fileName);
    require(fileName.compare(0, stem.size(), stem) == 0, "the stem is not a prefix of the file name");
    require(stem.find('.') == std::string::npos, "the stem holds a dot");
    require(stem.size() == fileName.size() || fileName[stem.size()] == '.', "the stem stops before the first dot");
}

void checkFileName(const std::string& path, const std::string& name)
{
    // What a C string of the path would hold.
    const std::string visible = path.substr(0, path.find('\0'));
    require(!name.empty() && name != "." && name != "..", "the name stands for a directory");
    require(name.find_first_of(std::string("/\\\0", 3)) == std::string::npos, "the name holds a separator or NUL");
    require(endsWith(visible, name), "the name is not the end of the path");
    require(visible.size() == name.size() || isSeparator(visible[visible.size() - name.size() - 1]),
            "the name does not start after a separator");

    const std::filesystem::path texturePath = std::filesystem::path("res/texture/" + name).lexically_normal();
    require(texturePath.parent_path() == "res/texture", "the texture path leaves the texture directory");
    require(texturePath.filename() == name, "the texture path names another file");
    checkStem(name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path(reinterpret_cast<const char*>(data), size);
    const std::optional<std::string> name = textureFileName(path);
    if (name) {
        checkFileName(path, *name);
    } else {
        const std::string visible = path.substr(0, path.find('\0'));
        const std::size_t separator = visible.find_last_of("/\\");
        const std::string last = separator == std::string::npos ? visible : visible.substr(separator + 1);
        require(last.empty() || last == "." || last == "..", "a usable file name was refused");
    }
    checkStem(path);
    return 0;
}

#include "base/FileStem.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

TEST(FileStem, EndsAtTheFirstDot)
{
    const std::pair<std::string, std::string> cases[] = {
        {"normal_up.png", "normal_up"}, {"archive.tar.gz", "archive"}, {"noextension", "noextension"},
        {".hidden.png", ""},            {"", ""},                      {"trailing.", "trailing"},
    };
    for (const auto& [fileName, stem] : cases) {
        EXPECT_EQ(fileStem(fileName), stem) << fileName;
    }
}

TEST(TextureFileName, KeepsWhatFollowsTheLastSeparatorOfEitherKind)
{
    const std::pair<std::string, std::string> cases[] = {
        {"wall.png", "wall.png"},
        {"maps/steps_n.png", "steps_n.png"},
        {"C:\\art\\wall.png", "wall.png"},
        {"/abs/dir\\mixed/name.tga", "name.tga"},
        {"../../secret/wall.png", "wall.png"},
        {"textures/\xc3\xbcn\xc3\xaf.png", "\xc3\xbcn\xc3\xaf.png"},
        {"..hidden", "..hidden"},
        {"dir/...", "..."},
        {"C:wall.png", "C:wall.png"},
    };
    for (const auto& [path, name] : cases) {
        EXPECT_EQ(textureFileName(path), std::optional<std::string>(name)) << path;
    }
}

TEST(TextureFileName, NamesNothingForTheDirectoryOrItsParent)
{
    // Each of these would put the texture directory itself, or the folder
    // above it, behind the "res/texture/" prefix.
    const std::string cases[] = {"", ".", "..", "maps/", "C:\\", "a/.", "up\\..", "../..", "/"};
    for (const std::string& path : cases) {
        EXPECT_EQ(textureFileName(path), std::nullopt) << path;
    }
}

TEST(TextureFileName, StopsAtTheFirstZeroByte)
{
    EXPECT_EQ(textureFileName(std::string("wall.png\0/evil", 14)), std::optional<std::string>("wall.png"));
    EXPECT_EQ(textureFileName(std::string("maps/..\0x.png", 13)), std::nullopt);
    EXPECT_EQ(textureFileName(std::string("\0wall.png", 9)), std::nullopt);
}

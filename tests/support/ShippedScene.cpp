#include "ShippedScene.h"

#include <set>

void copyShippedScene(const std::filesystem::path& directory)
{
    const std::filesystem::path source(GLIMMERHALL_SOURCE_DIR);
    std::filesystem::copy(source / "shader", directory / "shader");
    std::filesystem::copy(source / "res", directory / "res", std::filesystem::copy_options::recursive);
}

bool showsTheScene(const RgbImage& picture)
{
    int clear = 0;
    std::set<RgbImage::Pixel> shades;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            clear += picture.matches(x, y, clearColour, 2) ? 1 : 0;
            shades.insert(picture.at(x, y));
        }
    }
    return clear < picture.width * picture.height / 2 && shades.size() > 100;
}

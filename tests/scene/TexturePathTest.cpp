#include "SceneTest.h"

#include "LogCapture.h"
#include "app/Application.h"
#include "scene/Model3D.h"

#include <algorithm>
#include <string>

namespace {

class TexturePath : public SceneTest {};

bool mentions(const std::vector<std::string>& lines, const std::string& text)
{
    return std::any_of(lines.begin(), lines.end(),
                       [&text](const std::string& line) { return line.find(text) != std::string::npos; });
}

} // namespace

TEST_F(TexturePath, PathsThatNameAFolderKeepTheDefaults)
{
    writeImage("checkerboard.png", {255, 255, 255, 255});
    writeImage("normal_up.png", {128, 128, 255, 255});
    LogCapture log;
    const auto model = importModel("texture_paths_naming_no_file.dae");
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(model->materials.size(), 2u);
    Texture* checkerboard = app.textureManager.getTexture("checkerboard");
    Texture* normalUp = app.textureManager.getTexture("normal_up");
    ASSERT_TRUE(checkerboard && normalUp);

    for (const Material& material : model->materials) {
        EXPECT_EQ(material.diffuseTexture, checkerboard);
        EXPECT_EQ(material.normalTexture, normalUp);
    }
    const std::vector<std::string> lines = log.lines();
    for (const char* path : {"..", "maps/", "textures/."}) {
        const std::string line = std::string("ERROR AssetManager: No file name in texture path '") + path + "'";
        EXPECT_EQ(std::count(lines.begin(), lines.end(), line), 1) << line;
    }
    // Nothing is asked of the texture directory itself or the folder above.
    EXPECT_FALSE(mentions(lines, "Unrecognized file format")) << log.text();
    EXPECT_FALSE(mentions(lines, "Cannot read file")) << log.text();
}

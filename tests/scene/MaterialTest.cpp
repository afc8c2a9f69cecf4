#include <GL/glew.h>

#include "SceneTest.h"

#include "LogCapture.h"
#include "app/Application.h"
#include "scene/Model3D.h"

#include <algorithm>

namespace {

// materials.dae, in the order Assimp sorts them: "plain" (no texture),
// "steps" (only an ambient texture at maps/steps_n.png), "wall" (a colour
// texture at C:\art\wall.png) and "wall-and-steps" (textures/wall.png and
// maps/steps_n.png).
class MaterialImport : public SceneTest {
protected:
    void SetUp() override
    {
        SceneTest::SetUp();
        writeImage("checkerboard.png", {255, 255, 255, 255});
        writeImage("normal_up.png", {128, 128, 255, 255});
        writeImage("steps_n.png", {100, 100, 250, 255});
    }

    static Texture* registered(const char* name)
    {
        return app.textureManager.getTexture(name);
    }
};

std::ptrdiff_t position(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) - lines.begin();
}

} // namespace

TEST_F(MaterialImport, TexturePathsReduceToFileNamesAndTheDefaultsFillTheRest)
{
    writeImage("wall.png", {200, 50, 50, 255});
    const auto model = importModel("materials.dae");
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(model->materials.size(), 4u);
    Texture* checkerboard = registered("checkerboard");
    Texture* normalUp = registered("normal_up");
    Texture* wall = registered("wall");
    Texture* stepsNormal = registered("steps_n");
    ASSERT_TRUE(checkerboard && normalUp && wall && stepsNormal);

    const Material& plain = model->materials[0];
    const Material& steps = model->materials[1];
    const Material& wallOnly = model->materials[2];
    const Material& wallAndSteps = model->materials[3];
    EXPECT_EQ(plain.diffuseTexture, checkerboard);
    EXPECT_EQ(plain.normalTexture, normalUp);
    EXPECT_EQ(steps.diffuseTexture, checkerboard);
    EXPECT_EQ(steps.normalTexture, stepsNormal);
    EXPECT_EQ(wallOnly.diffuseTexture, wall);
    EXPECT_EQ(wallOnly.normalTexture, normalUp);
    // Two materials naming the same image share its texture.
    EXPECT_EQ(wallAndSteps.diffuseTexture, wall);
    EXPECT_EQ(wallAndSteps.normalTexture, stepsNormal);

    EXPECT_EQ(std::make_pair(wall->textureUnit, wall->samplerName), std::make_pair(0, std::string("textureMap")));
    EXPECT_EQ(std::make_pair(stepsNormal->textureUnit, stepsNormal->samplerName),
              std::make_pair(1, std::string("normalMap")));

    // A second model naming the same images shares them too.
    const auto again = importModel("materials.dae");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->materials[3].diffuseTexture, wall);
    EXPECT_EQ(again->materials[3].normalTexture, stepsNormal);
}

TEST_F(MaterialImport, AMaterialWithoutTexturesSaysSoAndAsksForTheNormalMapDefaultFirst)
{
    writeImage("wall.png", {200, 50, 50, 255});
    LogCapture log;
    ASSERT_NE(importModel("materials.dae"), nullptr);
    const std::vector<std::string> lines = log.lines();
    const auto noTexture = position(lines, "INFO AssetManager: No Texture found in Material 'plain'");
    const auto normalUp = position(lines, "INFO TextureManager: Texture 'normal_up.png' added successfully as 'normal_up'");
    const auto checkerboard =
        position(lines, "INFO TextureManager: Texture 'checkerboard.png' added successfully as 'checkerboard'");
    ASSERT_LT(checkerboard, static_cast<std::ptrdiff_t>(lines.size())) << log.text();
    EXPECT_LT(noTexture, normalUp);
    EXPECT_LT(normalUp, checkerboard);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "INFO AssetManager: No Texture found in Material 'plain'"), 1);
}

TEST_F(MaterialImport, AnImageThatCannotBeLoadedLeavesTheDefaultInItsSlot)
{
    // No wall.png in the texture directory.
    const auto model = importModel("materials.dae");
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->materials[2].diffuseTexture, registered("checkerboard"));
    EXPECT_EQ(model->materials[2].normalTexture, registered("normal_up"));
    EXPECT_EQ(model->materials[3].diffuseTexture, registered("checkerboard"));
    EXPECT_EQ(model->materials[3].normalTexture, registered("steps_n"));

    PixelShader* flat = addProgram("flat",
                                   "#version 430\nlayout(location = 0) in vec3 position;\n"
                                   "uniform mat4 mvpMatrix;\n"
                                   "void main() { gl_Position = mvpMatrix * vec4(position, 1.0); }\n",
                                   "#version 430\nuniform sampler2D textureMap;\nout vec4 colour;\n"
                                   "void main() { colour = texture(textureMap, vec2(0.5)); }\n");
    ASSERT_NE(flat, nullptr);
    model->draw(flat);
    EXPECT_EQ(takeGlError(), GL_NO_ERROR);
}

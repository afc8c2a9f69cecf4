#include "lighting/PointLight.h"

#include "LightingAssets.h"
#include "LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class PointLightTest : public ::testing::Test {
protected:
    void SetUp() override { PointLight::clock.reset(); }

    PointLight load(const std::string& fileName) const
    {
        return PointLight(glm::vec3(1.0f, 0.5f, 0.25f), 0.15f, 0.3f, 1.0f, 0.001f, 0.002f, fileName);
    }

    TempDirectory workspace;
};

} // namespace

TEST_F(PointLightTest, StartsAtItsNodeAndMovesThePointOneOneOneAlongItsPath)
{
    installLightingAsset(workspace, "point_light.dae", "point_light.dae");
    LogCapture log;
    PointLight light = load("point_light.dae");
    EXPECT_EQ(log.lines(), std::vector<std::string>{"INFO PointLight: Light 'Lamp' imported successfully"});
    EXPECT_EQ(light.lightPosition, glm::vec3(2, 3, 4));
    EXPECT_EQ(light.lightColor, glm::vec3(1.0f, 0.5f, 0.25f));
    EXPECT_EQ(light.attenuationExp, 0.002f);
    ASSERT_EQ(light.animations.size(), 1u);

    light.update(0.016);
    EXPECT_EQ(light.lightPosition, glm::vec3(3, 4, 5));
    EXPECT_DOUBLE_EQ(PointLight::clock.seconds(), 0.016);
}

TEST_F(PointLightTest, ALightWithoutAPathStaysAtItsNode)
{
    installLightingAsset(workspace, "point_light_static.dae", "lamp.dae");
    LogCapture log;
    PointLight light = load("lamp.dae");
    EXPECT_EQ(log.lines(), std::vector<std::string>{"INFO PointLight: Light 'Lamp' imported successfully"});
    EXPECT_TRUE(light.animations.empty());

    light.update(0.5);
    EXPECT_EQ(light.lightPosition, glm::vec3(2, 3, 4));
    EXPECT_EQ(PointLight::clock.seconds(), 0.0);
}

TEST_F(PointLightTest, UnusableFilesLeaveALightAtTheOrigin)
{
    installLightingAsset(workspace, "unreadable.dae", "unreadable.dae");
    installLightingAsset(workspace, "no_light.dae", "no_light.dae");
    const std::vector<std::pair<std::string, std::string>> cases{
        {"point_light.dae", "ERROR PointLight: Could not read file 'point_light.dae'"},
        {"unreadable.dae", "ERROR PointLight: Could not read file 'unreadable.dae'"},
        {"no_light.dae", "ERROR PointLight: No light/animation found"},
    };
    for (const auto& [fileName, line] : cases) {
        LogCapture log;
        PointLight light = load(fileName);
        light.update(0.5);
        EXPECT_EQ(log.lines(), std::vector<std::string>{line}) << fileName;
        EXPECT_TRUE(light.animations.empty()) << fileName;
        EXPECT_EQ(light.lightPosition, glm::vec3(0.0f)) << fileName;
        EXPECT_EQ(light.attenuationLinear, 0.001f) << fileName;
    }
}

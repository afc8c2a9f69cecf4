#include "lighting/PointLight.h"

#include "app/Application.h"

#include "LogCapture.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

class PointLightTest : public ::testing::Test {
protected:
    void SetUp() override { PointLight::clock.reset(); }

    void installAsset(const std::string& dataFile) const
    {
        std::filesystem::create_directories(app.assetDirectory);
        std::filesystem::copy_file(std::string(GLIMMERHALL_SOURCE_DIR) + "/tests/lighting/data/" + dataFile,
                                   app.assetDirectory + dataFile);
    }

    static PointLight load(const std::string& fileName)
    {
        return PointLight(glm::vec3(1.0f), 0.15f, 0.3f, 1.0f, 0.001f, 0.001f, fileName);
    }

    TempDirectory workspace;
};

} // namespace

TEST_F(PointLightTest, StartsAtItsNodeAndMovesThePointOneOneOneAlongItsPath)
{
    installAsset("point_light.dae");
    installAsset("point_light_static.dae");
    LogCapture log;
    PointLight moving = load("point_light.dae");
    PointLight still = load("point_light_static.dae");
    EXPECT_EQ(log.lines(), std::vector<std::string>(2, "INFO PointLight: Light 'Lamp' imported successfully"));
    EXPECT_EQ(moving.lightPosition, glm::vec3(2, 3, 4));
    EXPECT_EQ(still.lightPosition, glm::vec3(2, 3, 4));

    moving.update(0.016);
    still.update(0.5);
    EXPECT_EQ(moving.lightPosition, glm::vec3(3, 4, 5));
    EXPECT_EQ(still.lightPosition, glm::vec3(2, 3, 4));
    EXPECT_DOUBLE_EQ(PointLight::clock.seconds(), 0.016);
}

TEST_F(PointLightTest, UnusableFilesLeaveAStillLightAtTheOrigin)
{
    installAsset("unreadable.dae");
    installAsset("no_light.dae");
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
        EXPECT_EQ(light.lightPosition, glm::vec3(0.0f)) << fileName;
    }
    EXPECT_EQ(PointLight::clock.seconds(), 0.0);
}

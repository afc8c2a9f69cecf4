#include "animation/CameraAnimation.h"

#include "app/Application.h"

#include "LogCapture.h"
#include "TempDirectory.h"

#include <glm/gtc/epsilon.hpp>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

class CameraAnimationTest : public ::testing::Test {
protected:
    void SetUp() override { CameraAnimation::clock.reset(); }

    void installAsset(const std::string& dataFile, const std::string& assetName) const
    {
        std::filesystem::create_directories(app.assetDirectory);
        std::filesystem::copy_file(std::string(GLIMMERHALL_SOURCE_DIR) + "/tests/animation/data/" + dataFile,
                                   app.assetDirectory + assetName);
    }

    // Where the view puts the world origin: minus the position of a camera
    // that is only moved.
    static testing::AssertionResult seesOriginAt(const Camera& camera, const glm::vec3& expected)
    {
        const glm::vec3 actual(camera.viewMatrix * glm::vec4(0, 0, 0, 1));
        if (glm::all(glm::epsilonEqual(actual, expected, 1e-5f))) {
            return testing::AssertionSuccess();
        }
        return testing::AssertionFailure() << "origin seen at (" << actual.x << ", " << actual.y << ", "
                                           << actual.z << ")";
    }

    TempDirectory workspace;
    const glm::mat4 projection = glm::mat4(2.0f);
};

} // namespace

TEST_F(CameraAnimationTest, StartsAtItsNodeAndFollowsAOneKeyPath)
{
    installAsset("camera_one_key.dae", "camera.dae");
    LogCapture log;
    CameraAnimation camera(projection, "camera.dae");
    EXPECT_EQ(log.lines(), std::vector<std::string>{"INFO CameraAnimation: Camera 'Eye' imported successfully"});
    EXPECT_EQ(camera.projectionMatrix, projection);
    EXPECT_TRUE(seesOriginAt(camera, glm::vec3(0, 0, -2)));

    camera.update(0.0);
    EXPECT_TRUE(seesOriginAt(camera, glm::vec3(0, 0, -5)));
}

TEST_F(CameraAnimationTest, WrapsTheSharedClockIntoThePath)
{
    // 0.75 s from z = 0 to z = 6, the node itself at y = 1.
    installAsset("camera_path.dae", "camera.dae");
    CameraAnimation camera(projection, "camera.dae");
    EXPECT_TRUE(seesOriginAt(camera, glm::vec3(0, -1, 0)));
    camera.update(0.5);
    EXPECT_TRUE(seesOriginAt(camera, glm::vec3(0, 0, -4)));
    camera.update(0.5);
    EXPECT_TRUE(seesOriginAt(camera, glm::vec3(0, 0, -2)));

    CameraAnimation other(projection, "camera.dae");
    other.update(0.25);
    camera.update(0.25);
    EXPECT_TRUE(seesOriginAt(other, glm::vec3(0, 0, -4)));
    EXPECT_TRUE(seesOriginAt(camera, glm::vec3(0, 0, 0)));
}

TEST_F(CameraAnimationTest, KeepsTheLastViewWhenThePathCollapsesTheCamera)
{
    installAsset("camera_collapsing.dae", "camera.dae");
    CameraAnimation camera(projection, "camera.dae");
    const glm::mat4 placed = camera.viewMatrix;
    camera.update(0.1);
    EXPECT_EQ(camera.viewMatrix, placed);
    EXPECT_TRUE(seesOriginAt(camera, glm::vec3(0, 0, -2)));
}

TEST_F(CameraAnimationTest, UnusableFilesLeaveAFixedIdentityView)
{
    installAsset("unreadable.dae", "unreadable.dae");
    installAsset("no_camera.dae", "no_camera.dae");
    installAsset("camera_no_animation.dae", "still.dae");
    const std::vector<std::pair<std::string, std::string>> cases{
        {"camera.dae", "ERROR CameraAnimation: Could not read file 'camera.dae'"},
        {"unreadable.dae", "ERROR CameraAnimation: Could not read file 'unreadable.dae'"},
        {"no_camera.dae", "ERROR CameraAnimation: No camera/animation found"},
        {"still.dae", "ERROR CameraAnimation: No camera/animation found"},
    };
    for (const auto& [fileName, line] : cases) {
        LogCapture log;
        CameraAnimation camera(projection, fileName);
        camera.update(0.5);
        EXPECT_EQ(log.lines(), std::vector<std::string>{line}) << fileName;
        EXPECT_TRUE(camera.animations.empty()) << fileName;
        EXPECT_EQ(camera.viewMatrix, glm::mat4(1.0f)) << fileName;
    }
    EXPECT_EQ(CameraAnimation::clock.seconds(), 0.0);
}

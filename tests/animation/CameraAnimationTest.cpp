#include "animation/CameraAnimation.h"

#include "LogCapture.h"
#include "TempDirectory.h"

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Puts a Collada file of the test data into the asset directory of the
// working directory under assetName.
void installAsset(const TempDirectory& workspace, const std::string& dataFile, const std::string& assetName)
{
    std::ifstream source(std::string(GLIMMERHALL_SOURCE_DIR) + "/tests/animation/data/" + dataFile);
    ASSERT_TRUE(source) << dataFile;
    std::ostringstream content;
    content << source.rdbuf();
    workspace.write("res/assets/" + assetName, content.str());
}

// Where the view puts the world origin: minus the camera's position for a
// camera that only moves.
glm::vec3 viewedOrigin(const Camera& camera)
{
    return glm::vec3(camera.viewMatrix * glm::vec4(0, 0, 0, 1));
}

void expectViewedOrigin(const Camera& camera, const glm::vec3& expected, const char* where)
{
    const glm::vec3 origin = viewedOrigin(camera);
    EXPECT_NEAR(origin.x, expected.x, 1e-5f) << where;
    EXPECT_NEAR(origin.y, expected.y, 1e-5f) << where;
    EXPECT_NEAR(origin.z, expected.z, 1e-5f) << where;
}

class CameraAnimationTest : public ::testing::Test {
protected:
    void SetUp() override { CameraAnimation::clock.reset(); }

    TempDirectory workspace;
    const glm::mat4 projection = glm::perspective(glm::radians(60.0f), 4.0f / 3.0f, 0.1f, 100.0f);
};

} // namespace

TEST_F(CameraAnimationTest, StartsAtItsNodeAndFollowsAOneKeyPath)
{
    installAsset(workspace, "camera_one_key.dae", "camera.dae");
    LogCapture log;
    CameraAnimation camera(projection, "camera.dae");
    EXPECT_EQ(log.lines(), std::vector<std::string>{"INFO CameraAnimation: Camera 'Eye' imported successfully"});
    EXPECT_EQ(camera.projectionMatrix, projection);
    ASSERT_EQ(camera.animations.size(), 1u);
    expectViewedOrigin(camera, glm::vec3(0, 0, -2), "node placement");

    camera.update(0.0);
    expectViewedOrigin(camera, glm::vec3(0, 0, -5), "after the first update");
    EXPECT_EQ(glm::mat3(camera.viewMatrix), glm::mat3(1.0f));
}

TEST_F(CameraAnimationTest, WrapsTheClockIntoThePath)
{
    installAsset(workspace, "camera_path.dae", "path.dae");
    CameraAnimation camera(projection, "path.dae");
    expectViewedOrigin(camera, glm::vec3(0, -1, 0), "node placement");

    camera.update(0.5);
    expectViewedOrigin(camera, glm::vec3(0, 0, -4), "two thirds along");
    camera.update(0.5);
    expectViewedOrigin(camera, glm::vec3(0, 0, -2), "one third along after the wrap");
}

TEST_F(CameraAnimationTest, EveryCameraAdvancesTheSharedClock)
{
    installAsset(workspace, "camera_path.dae", "camera.dae");
    CameraAnimation first(projection, "camera.dae");
    CameraAnimation second(projection, "camera.dae");

    first.update(0.25);
    second.update(0.25);
    expectViewedOrigin(first, glm::vec3(0, 0, -2), "first camera");
    expectViewedOrigin(second, glm::vec3(0, 0, -4), "second camera");
    EXPECT_DOUBLE_EQ(CameraAnimation::clock.seconds(), 0.5);
}

TEST_F(CameraAnimationTest, KeepsTheLastViewWhenThePathCollapsesTheCamera)
{
    installAsset(workspace, "camera_collapsing.dae", "camera.dae");
    CameraAnimation camera(projection, "camera.dae");
    const glm::mat4 placed = camera.viewMatrix;

    camera.update(0.1);
    EXPECT_EQ(camera.viewMatrix, placed);
    expectViewedOrigin(camera, glm::vec3(0, 0, -2), "still at the node placement");
}

TEST_F(CameraAnimationTest, UnusableFilesLeaveAFixedIdentityView)
{
    installAsset(workspace, "unreadable.dae", "unreadable.dae");
    installAsset(workspace, "no_camera.dae", "no_camera.dae");
    installAsset(workspace, "camera_no_animation.dae", "still.dae");
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

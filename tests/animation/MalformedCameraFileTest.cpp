#include "animation/CameraAnimation.h"

#include "base/Finite.h"
#include "app/Application.h"

#include "LogCapture.h"
#include "TempDirectory.h"

#include <glm/gtc/epsilon.hpp>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string dataFile(const std::string& name)
{
    std::ifstream file(std::string(GLIMMERHALL_SOURCE_DIR) + "/tests/animation/data/" + name, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

// Where the view puts the world origin: minus the position of a camera that
// is only moved.
testing::AssertionResult seesOriginAt(const Camera& camera, const glm::vec3& expected)
{
    const glm::vec3 actual(camera.viewMatrix * glm::vec4(0, 0, 0, 1));
    if (glm::all(glm::epsilonEqual(actual, expected, 1e-5f))) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << "origin seen at (" << actual.x << ", " << actual.y << ", " << actual.z
                                       << ")";
}

class MalformedCameraFile : public ::testing::Test {
protected:
    void SetUp() override { CameraAnimation::clock.reset(); }

    void writeAsset(const std::string& assetName, const std::string& content) const
    {
        workspace.write(app.assetDirectory + assetName, content);
    }

    TempDirectory workspace;
    const glm::mat4 projection = glm::mat4(1.0f);
};

} // namespace

TEST_F(MalformedCameraFile, FilesThatHoldNoSceneLeaveAFixedIdentityView)
{
    const std::string path = dataFile("camera_path.dae");
    ASSERT_GT(path.size(), 1000u);
    const std::string eyeNode = "<node id=\"Eye\" name=\"Eye\" type=\"NODE\">";
    const char pngHeader[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xff\xff\xff";
    // Each file, its content and the reason given before the failure line,
    // if any: files Assimp itself refuses get none.
    const std::vector<std::array<std::string, 3>> files = {
        {"empty.dae", "", ""},
        {"words.dae", "a camera flies over the steps\n", ""},
        {"noise.dae", std::string(pngHeader, sizeof pngHeader - 1), ""},
        {"page.dae", "<?xml version=\"1.0\"?>\n<html><body>camera</body></html>\n", ""},
        {"halved.dae", path.substr(0, path.size() / 2), ""},
        // The camera's node holds a node that instances it again, which
        // Assimp's import would follow until its stack overflowed.
        {"cycle.dae",
         std::string(path).insert(path.find(eyeNode) + eyeNode.size(), "<node><instance_node url=\"#Eye\"/></node>"),
         "instances node 'Eye' inside itself"},
        // A sparse file far past the size limit, which Assimp would try to
        // read whole.
        {"vast.dae", path, "is larger than 1024 MiB"},
    };
    for (const auto& [fileName, content, reason] : files) {
        SCOPED_TRACE(fileName);
        writeAsset(fileName, content);
        if (fileName == "vast.dae") {
            std::filesystem::resize_file(app.assetDirectory + fileName, std::uintmax_t{100} << 30);
        }
        LogCapture log;
        CameraAnimation camera(projection, fileName);
        camera.update(0.5);
        std::vector<std::string> expected;
        if (!reason.empty()) {
            expected.push_back("ERROR CameraAnimation: '" + fileName + "' " + reason);
        }
        expected.push_back("ERROR CameraAnimation: Could not read file '" + fileName + "'");
        EXPECT_EQ(log.lines(), expected);
        EXPECT_TRUE(camera.animations.empty());
        EXPECT_EQ(camera.viewMatrix, glm::mat4(1.0f));
    }
}

TEST_F(MalformedCameraFile, ANodeOrKeysThatAreNotFiniteNeverReachTheView)
{
    writeAsset("placed.dae", dataFile("camera_non_finite_node.dae"));
    writeAsset("path.dae", dataFile("camera_non_finite_keys.dae"));

    // The node's NaN cannot place the camera; its sound path can.
    LogCapture placedLog;
    CameraAnimation placed(projection, "placed.dae");
    EXPECT_EQ(placedLog.lines(),
              (std::vector<std::string>{"ERROR CameraAnimation: Camera 'Eye' has a transform that is not finite",
                                        "INFO CameraAnimation: Camera 'Eye' imported successfully"}));
    EXPECT_EQ(placed.viewMatrix, glm::mat4(1.0f));
    placed.update(0.0);
    EXPECT_TRUE(seesOriginAt(placed, glm::vec3(0, 0, -3)));

    // One key a second: (0, 0, 1), then NaN and infinity, then (0, 0, 3) and
    // (0, 0, 4). The view holds its last sound value across the bad key.
    CameraAnimation::clock.reset();
    LogCapture pathLog;
    CameraAnimation path(projection, "path.dae");
    ASSERT_EQ(path.animations.size(), 1u);
    EXPECT_EQ(pathLog.lines(),
              (std::vector<std::string>{"ERROR CameraAnimation: Channel 'Eye' of animation '" +
                                            path.animations[0]->name + "' has keys that are not finite",
                                        "INFO CameraAnimation: Camera 'Eye' imported successfully"}));
    EXPECT_TRUE(seesOriginAt(path, glm::vec3(0, 0, -2)));
    for (int frame = 1; frame <= 10; ++frame) {
        path.update(0.25);
        EXPECT_TRUE(isFinite(path.viewMatrix)) << "after " << frame * 0.25 << " s";
        if (frame * 0.25 < 2.0) {
            EXPECT_TRUE(seesOriginAt(path, glm::vec3(0, 0, -2))) << "after " << frame * 0.25 << " s";
        }
    }
    EXPECT_TRUE(seesOriginAt(path, glm::vec3(0, 0, -3.5f)));
}

TEST_F(MalformedCameraFile, KeysOutOfTimeOrderOrAtOneTimeGiveAFiniteView)
{
    // Key times 2, 0, 1, 1 with the camera at z = 1, 2, 3, 4.
    writeAsset("camera.dae", dataFile("camera_unordered_keys.dae"));
    CameraAnimation camera(projection, "camera.dae");
    ASSERT_EQ(camera.animations.size(), 1u);
    const Animation& animation = *camera.animations[0];
    ASSERT_EQ(animation.channels.size(), 1u);
    const NodeAnimation& channel = *animation.channels[0];
    for (double t = -1.0; t <= 3.0; t += 0.125) {
        SCOPED_TRACE("t = " + std::to_string(t));
        const glm::mat4 sampled = channel.sample(t);
        ASSERT_TRUE(isFinite(sampled));
        // Wherever the keys are looked up, the camera stays on the z axis
        // between the first and the last z the file gives.
        const glm::vec3 position(sampled[3]);
        EXPECT_EQ(position.x, 0.0f);
        EXPECT_EQ(position.y, 0.0f);
        EXPECT_GE(position.z, 1.0f);
        EXPECT_LE(position.z, 4.0f);
    }
    for (int frame = 0; frame < 12; ++frame) {
        camera.update(0.25);
        EXPECT_TRUE(isFinite(camera.viewMatrix));
    }
}

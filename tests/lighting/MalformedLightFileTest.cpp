#include "lighting/PointLight.h"

#include "app/Application.h"

#include "LogCapture.h"
#include "TempDirectory.h"

#include <glm/gtc/epsilon.hpp>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace {

std::string dataFile(const std::string& name)
{
    std::ifstream file(std::string(GLIMMERHALL_SOURCE_DIR) + "/tests/lighting/data/" + name, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

bool isFinite(const glm::vec3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

class MalformedLightFile : public ::testing::Test {
protected:
    void SetUp() override { PointLight::clock.reset(); }

    void writeAsset(const std::string& assetName, const std::string& content) const
    {
        workspace.write(app.assetDirectory + assetName, content);
    }

    static PointLight load(const std::string& fileName)
    {
        return PointLight(glm::vec3(1.0f), 0.15f, 0.3f, 1.0f, 0.001f, 0.001f, fileName);
    }

    TempDirectory workspace;
};

} // namespace

TEST_F(MalformedLightFile, FilesThatHoldNoSceneLeaveAStillLightAtTheOrigin)
{
    const std::string light = dataFile("point_light.dae");
    ASSERT_GT(light.size(), 1000u);
    const std::string lampNode = "<node id=\"Lamp\" name=\"Lamp\" type=\"NODE\">";
    const char noise[] = "\0\x01\x02\xfe\xff<COLLADA\x80\x81";
    // Each file, its content and the reason given before the failure line,
    // if any: files Assimp itself refuses get none.
    const std::vector<std::array<std::string, 3>> files = {
        {"empty.dae", "", ""},
        {"words.dae", "the lamp circles the room\n", ""},
        {"noise.dae", std::string(noise, sizeof noise - 1), ""},
        {"page.dae", "<?xml version=\"1.0\"?>\n<svg><circle r=\"1\"/></svg>\n", ""},
        {"halved.dae", light.substr(0, light.size() / 2), ""},
        // The lamp's node instances the scene that holds it, which Assimp's
        // import would follow until its stack overflowed.
        {"cycle.dae",
         std::string(light).insert(light.find(lampNode) + lampNode.size(), "<instance_node url=\"#Scene\"/>"),
         "instances node 'Scene' inside itself"},
        // Assimp would wait for a writer on a named pipe for ever.
        {"pipe.dae", "", "is no regular file"},
    };
    for (const auto& [fileName, content, reason] : files) {
        SCOPED_TRACE(fileName);
        if (fileName == "pipe.dae") {
            ASSERT_EQ(mkfifo((app.assetDirectory + fileName).c_str(), 0600), 0);
        } else {
            writeAsset(fileName, content);
        }
        LogCapture log;
        PointLight lamp = load(fileName);
        lamp.update(0.5);
        std::vector<std::string> expected;
        if (!reason.empty()) {
            expected.push_back("ERROR PointLight: '" + fileName + "' " + reason);
        }
        expected.push_back("ERROR PointLight: Could not read file '" + fileName + "'");
        EXPECT_EQ(log.lines(), expected);
        EXPECT_TRUE(lamp.animations.empty());
        EXPECT_EQ(lamp.lightPosition, glm::vec3(0.0f));
    }
}

TEST_F(MalformedLightFile, ANodeOrKeysThatAreNotFiniteNeverMoveTheLight)
{
    writeAsset("placed.dae", dataFile("light_non_finite_node.dae"));
    writeAsset("path.dae", dataFile("light_non_finite_keys.dae"));

    // A node moved by infinity and NaN gives no position: the light stays at
    // the origin, as for a light without a node, but the line names the
    // transform.
    LogCapture placedLog;
    PointLight placed = load("placed.dae");
    EXPECT_EQ(placedLog.lines(),
              (std::vector<std::string>{"ERROR PointLight: Light 'Lamp' has a transform that is not finite",
                                        "INFO PointLight: Light 'Lamp' imported successfully"}));
    EXPECT_EQ(placed.lightPosition, glm::vec3(0.0f));

    // Only the translation places the light: a NaN rotation and an infinite
    // scale beside a finite move leave it where the move puts it.
    const std::string nonFiniteMove = "<translate>inf 0 nan</translate>";
    std::string turned = dataFile("light_non_finite_node.dae");
    turned.replace(turned.find(nonFiniteMove), nonFiniteMove.size(),
                   "<matrix>nan 0 0 2  0 inf 0 3  0 0 1 4  0 0 0 1</matrix>");
    writeAsset("turned.dae", turned);
    LogCapture turnedLog;
    PointLight turnedLight = load("turned.dae");
    EXPECT_EQ(turnedLog.lines(), std::vector<std::string>{"INFO PointLight: Light 'Lamp' imported successfully"});
    EXPECT_EQ(turnedLight.lightPosition, glm::vec3(2, 3, 4));

    // One key a second: (2, 3, 4), then NaN and minus infinity, then
    // (5, 6, 7) and (8, 9, 10); the light follows the point (1, 1, 1) of
    // the path and holds its last sound place across the bad key.
    LogCapture pathLog;
    PointLight path = load("path.dae");
    ASSERT_EQ(path.animations.size(), 1u);
    EXPECT_EQ(pathLog.lines(),
              (std::vector<std::string>{"ERROR PointLight: Channel 'Lamp' of animation '" + path.animations[0]->name +
                                            "' has keys that are not finite",
                                        "INFO PointLight: Light 'Lamp' imported successfully"}));
    EXPECT_EQ(path.lightPosition, glm::vec3(2, 3, 4));
    for (int frame = 1; frame <= 10; ++frame) {
        path.update(0.25);
        EXPECT_TRUE(isFinite(path.lightPosition)) << "after " << frame * 0.25 << " s";
        if (frame * 0.25 < 2.0) {
            EXPECT_EQ(path.lightPosition, glm::vec3(2, 3, 4)) << "after " << frame * 0.25 << " s";
        }
    }
    EXPECT_TRUE(glm::all(glm::epsilonEqual(path.lightPosition, glm::vec3(7.5f, 8.5f, 9.5f), 1e-5f)));
}

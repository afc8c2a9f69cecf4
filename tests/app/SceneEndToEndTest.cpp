#include "ChildProcess.h"
#include "ShippedScene.h"
#include "TempDirectory.h"
#include "XSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

using Lines = std::vector<std::string>;

const Lines startUpMilestones = {
    "INFO Lights: Light 'directional' added successfully",
    "INFO PointLight: Light 'point_light' imported successfully",
    "INFO Lights: Light 'point' added successfully",
    "INFO ShaderManager: Shader 'tex_nolight' compiled/linked successfully",
    "INFO ShaderManager: Shader 'bptex_dir' compiled/linked successfully",
    "INFO ShaderManager: Shader 'bptex_point' compiled/linked successfully",
    "INFO ShaderManager: Shader 'nmbptex_dir' compiled/linked successfully",
    "INFO ShaderManager: Shader 'nmbptex_point' compiled/linked successfully",
    "INFO ShaderManager: Shader 'smbptex_point' compiled/linked successfully",
    "INFO ShaderManager: Shader 'smnmbptex_point' compiled/linked successfully",
    "INFO ShaderManager: Shader 'varsmnmbptex_point' compiled/linked successfully",
    "INFO ShaderManager: Shader 'shadowmap' compiled/linked successfully",
    "INFO ShaderManager: Shader 'varshadowmap' compiled/linked successfully",
    "INFO AssetManager: Asset 'steps' added successfully",
    "INFO AssetManager: Asset 'point_light_sphere' added successfully",
    "INFO CameraAnimation: Camera 'camera' imported successfully",
    "INFO TextureManager: Cubemap 'fboCubemap' added successfully as 'fboCubemap'",
    "INFO FramebufferObject: FBO is complete",
};

bool startsWith(const std::string& line, const std::string& prefix)
{
    return line.rfind(prefix, 0) == 0;
}

// The log's own lines: a driver's build notes may run over several lines and
// may come with any program.
Lines logLines(const std::string& output)
{
    Lines lines;
    std::istringstream stream(output);
    for (std::string line; std::getline(stream, line);) {
        const bool buildNote = startsWith(line, "INFO ShaderManager: Shader info for") ||
                               startsWith(line, "INFO ShaderManager: Shader program info:");
        if ((startsWith(line, "INFO ") || line.find("ERROR") != std::string::npos) && !buildNote) {
            lines.push_back(line);
        }
    }
    return lines;
}

bool isTextureLine(const std::string& line)
{
    return startsWith(line, "INFO TextureManager: Texture '");
}

// The image file a texture line reports as newly added.
std::optional<std::string> addedImageFile(const std::string& line)
{
    const std::string prefix = "INFO TextureManager: Texture '";
    const std::string::size_type end = line.find("' added successfully as '");
    if (!startsWith(line, prefix) || end == std::string::npos) {
        return std::nullopt;
    }
    return line.substr(prefix.size(), end - prefix.size());
}

class SceneEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(x.isOpen()) << "these tests need an X display";
        copyShippedScene(workspace.path());
        workspace.write("settings.txt", "FULLSCREEN 0\nWIDTH 320\nHEIGHT 180\n");
    }

    TempDirectory workspace;
    XSession x;
};

} // namespace

TEST_F(SceneEndToEnd, StartsUpInOrderShowsTheSceneAndEndsWithEscape)
{
    ChildProcess program(GLIMMERHALL_BINARY, workspace.path(), {});
    const XSession::WindowId window = x.waitForWindowOf(program.pid(), 20s);
    ASSERT_NE(window, 0u) << program.standardError();
    EXPECT_TRUE(x.waitForPicture(window, showsTheScene, 20s)) << "the window shows no scene";

    x.focus(window);
    x.pressKey("Escape");
    EXPECT_EQ(program.waitForExit(20s), 0);
    EXPECT_EQ(program.standardError(), "");

    const Lines lines = logLines(program.standardOutput());
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("ERROR"), std::string::npos) << line;
    }
    Lines milestones;
    std::copy_if(lines.begin(), lines.end(), std::back_inserter(milestones),
                 [](const std::string& line) { return !isTextureLine(line); });
    // Ends with the shadow map's lines: the frames log nothing.
    EXPECT_EQ(milestones, startUpMilestones);

    // The textures load with the models, between the programs and the
    // marker's line, each image file once.
    const auto position = [&lines](const std::string& line) {
        return static_cast<std::size_t>(std::find(lines.begin(), lines.end(), line) - lines.begin());
    };
    std::multiset<std::string> added;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        if (!isTextureLine(lines[index])) {
            continue;
        }
        EXPECT_GT(index, position(startUpMilestones[12])) << lines[index];
        EXPECT_LT(index, position(startUpMilestones[14])) << lines[index];
        if (const std::optional<std::string> file = addedImageFile(lines[index])) {
            added.insert(*file);
        }
    }
    std::multiset<std::string> imageFiles;
    for (const auto& entry : std::filesystem::directory_iterator(workspace.path() / "res/texture")) {
        imageFiles.insert(entry.path().filename().string());
    }
    EXPECT_EQ(added, imageFiles);
    // The room's own images come before its line.
    EXPECT_LT(position("INFO TextureManager: Texture 'wall_diffuse.png' added successfully as 'wall_diffuse'"),
              position(startUpMilestones[13]));
}

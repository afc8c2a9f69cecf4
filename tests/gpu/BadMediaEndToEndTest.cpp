#include "ChildProcess.h"
#include "FileContent.h"
#include "ShippedScene.h"
#include "TempDirectory.h"
#include "XSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

using namespace std::chrono_literals;

namespace {

using Lines = std::vector<std::string>;

// A bitmap header of 24-bit pixels claiming width x height, followed by a
// few bytes of pixels.
std::string bmpHeaderClaiming(std::uint32_t width, std::uint32_t height)
{
    std::string bytes = "BM";
    const auto put = [&bytes](std::uint32_t value, int size) {
        for (int index = 0; index < size; ++index) {
            bytes.push_back(static_cast<char>((value >> (8 * index)) & 0xff));
        }
    };
    put(70, 4);
    put(0, 4);
    put(54, 4);
    put(40, 4);
    put(width, 4);
    put(height, 4);
    put(1, 2);
    put(24, 2);
    for (int field = 0; field < 6; ++field) {
        put(0, 4);
    }
    return bytes + std::string(16, '\x40');
}

Lines logLines(const std::string& output)
{
    Lines lines;
    std::istringstream stream(output);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

class BadMediaEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(x.isOpen()) << "these tests need an X display";
        copyShippedScene(workspace.path());
        workspace.write("settings.txt", "FULLSCREEN 0\nWIDTH 320\nHEIGHT 180\n");
    }

    void replace(const std::string& relativePath, const std::string& content)
    {
        std::filesystem::remove(workspace.path() / relativePath);
        workspace.write(relativePath, content);
    }

    TempDirectory workspace;
    XSession x;
};

} // namespace

TEST_F(BadMediaEndToEnd, BrokenShadersAndImagesCostOnlyThemselves)
{
    // The light marker's fragment stage, whole but followed by binary bytes.
    replace("shader/nmbptex_dir.frag", fileContent(workspace.path() / "shader/nmbptex_dir.frag") +
                                           std::string("\0\x01\xfe\xff", 4));
    std::filesystem::remove(workspace.path() / "shader/varshadowmap.frag");
    std::filesystem::create_directory(workspace.path() / "shader/varshadowmap.frag");
    replace("res/texture/wall_diffuse.png", bmpHeaderClaiming(100000, 100000));
    const std::string floor = fileContent(workspace.path() / "res/texture/floor_diffuse.png");
    replace("res/texture/floor_diffuse.png", floor.substr(0, 100));
    std::filesystem::remove(workspace.path() / "res/texture/pillar_normal.png");
    ASSERT_EQ(mkfifo((workspace.path() / "res/texture/pillar_normal.png").c_str(), 0600), 0);

    ChildProcess program(GLIMMERHALL_BINARY, workspace.path(), {});
    const XSession::WindowId window = x.waitForWindowOf(program.pid(), 20s);
    ASSERT_NE(window, 0u) << program.standardOutput() << program.standardError();
    EXPECT_TRUE(x.waitForPicture(window, showsTheScene, 20s)) << "the window shows no scene";
    x.focus(window);
    x.pressKey("Escape");
    EXPECT_EQ(program.waitForExit(20s), 0);
    EXPECT_EQ(program.standardError(), "");

    const Lines lines = logLines(program.standardOutput());
    const auto logged = [&lines](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    for (const char* expected : {
             "ERROR ShaderManager: Failed to compile shader 'nmbptex_dir.frag': the source holds text after a NUL "
             "byte",
             "ERROR ShaderManager: Shader 'nmbptex_dir' does not exist in map",
             "ERROR ShaderManager: Could not open 'varshadowmap.frag'",
             "ERROR TextureManager: Invalid texture 'wall_diffuse.png'",
             "ERROR TextureManager: Cannot read file 'floor_diffuse.png'",
             "ERROR TextureManager: Cannot read file 'pillar_normal.png'",
             // The room's own program and the shadow pass are untouched.
             "INFO ShaderManager: Shader 'smnmbptex_point' compiled/linked successfully",
             "INFO ShaderManager: Shader 'shadowmap' compiled/linked successfully",
             "INFO AssetManager: Asset 'steps' added successfully",
             "INFO FramebufferObject: FBO is complete",
         }) {
        EXPECT_TRUE(logged(expected)) << expected << "\n" << program.standardOutput();
    }
    EXPECT_FALSE(logged("INFO ShaderManager: Shader 'nmbptex_dir' compiled/linked successfully"));
    EXPECT_FALSE(logged("INFO ShaderManager: Shader 'varshadowmap' compiled/linked successfully"));
}

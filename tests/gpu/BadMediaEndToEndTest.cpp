#include "ChildProcess.h"
#include "FileContent.h"
#include "ShippedScene.h"
#include "TempDirectory.h"
#include "XSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
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

// A little-endian TIFF of 2 x 2 RGB pixels whose EXIF directory holds the
// version and a private tag. Reading it, libtiff warns of the tag it does
// not know and FreeImage asks it for every EXIF tag it knows of.
std::string tiffWithExif()
{
    std::string bytes;
    const auto put = [&bytes](std::uint32_t value, int size) {
        for (int index = 0; index < size; ++index) {
            bytes.push_back(static_cast<char>((value >> (8 * index)) & 0xff));
        }
    };
    // Tag, type (3 short, 4 long, 7 bytes), count, value or offset.
    const auto entry = [&put](std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value) {
        put(tag, 2);
        put(type, 2);
        put(count, 4);
        put(value, 4);
    };
    const std::uint32_t exifOffset = 8 + 2 + 10 * 12 + 4;
    const std::uint32_t bitsOffset = exifOffset + 2 + 2 * 12 + 4;
    const std::uint32_t pixelOffset = bitsOffset + 6;
    bytes += "II*";
    put(0, 1);
    put(8, 4);
    put(10, 2);
    for (const auto& [tag, type, count, value] : std::vector<std::array<std::uint32_t, 4>>{
             {256, 3, 1, 2}, {257, 3, 1, 2}, {258, 3, 3, bitsOffset}, {259, 3, 1, 1}, {262, 3, 1, 2},
             {273, 4, 1, pixelOffset}, {277, 3, 1, 3}, {278, 3, 1, 2}, {279, 4, 1, 12}, {34665, 4, 1, exifOffset}}) {
        entry(tag, type, count, value);
    }
    put(0, 4);
    put(2, 2);
    entry(36864, 7, 4, 0x30333230);
    entry(50000, 3, 1, 7);
    put(0, 4);
    for (int channel = 0; channel < 3; ++channel) {
        put(8, 2);
    }
    return bytes + std::string("\xff\0\0\0\xff\0\0\0\xff\xff\xff\xff", 12);
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
    // A sound TIFF under a PNG's name (the content decides the format),
    // whose libraries' messages must not reach standard error.
    replace("res/texture/pillar_diffuse.png", tiffWithExif());
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
             "INFO TextureManager: Texture 'pillar_diffuse.png' added successfully as 'pillar_diffuse'",
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

#include "Workspace.h"

#include "LogCapture.h"
#include "TempDirectory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string contentOf(const fs::path& path)
{
    std::ifstream file(path);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

} // namespace

TEST(Workspace, MirrorsTheDataWithTheBenchShadersAndStepsCopies)
{
    TempDirectory data;
    data.write("shader/shadowmap.frag", "renderer stage");
    data.write("res/assets/steps.dae", "steps model");
    data.write("res/assets/camera.dae", "camera path");
    data.write("res/texture/wall.png", "image");
    data.write("bench/shadowface.vert", "bench stage");
    data.write("settings.txt", "FULLSCREEN 1\nWIDTH 640\nHEIGHT 480\n");

    fs::path root;
    {
        Workspace workspace;
        ASSERT_TRUE(workspace.create(data.path(), data.path() / "bench", 2));
        root = workspace.path();
        ASSERT_NE(root, data.path());

        // The window is fixed whatever the local settings say.
        EXPECT_EQ(contentOf(root / "settings.txt"), "FULLSCREEN 0\nWIDTH 1280\nHEIGHT 720\n");
        EXPECT_EQ(contentOf(root / "shader/shadowmap.frag"), "renderer stage");
        EXPECT_EQ(contentOf(root / "shader/shadowface.vert"), "bench stage");
        EXPECT_EQ(contentOf(root / "res/assets/camera.dae"), "camera path");
        EXPECT_EQ(contentOf(root / "res/texture/wall.png"), "image");
        EXPECT_EQ(Workspace::stepsCopyFileName(2), "steps_copy02.dae");
        for (const char* copy : {"steps_copy01.dae", "steps_copy02.dae"}) {
            EXPECT_EQ(contentOf(root / "res/assets" / copy), "steps model") << copy;
        }
        EXPECT_FALSE(fs::exists(root / "res/assets/steps_copy03.dae"));
    }
    EXPECT_FALSE(fs::exists(root)) << "the workspace is removed";
    EXPECT_EQ(contentOf(data.path() / "res/assets/steps.dae"), "steps model") << "the data is left alone";
    EXPECT_EQ(contentOf(data.path() / "shader/shadowmap.frag"), "renderer stage");
}

TEST(Workspace, TakesAnotherScenesModelsAndPathsWithTheShippedShadersAndImages)
{
    TempDirectory data;
    data.write("shader/shadowmap.frag", "renderer stage");
    data.write("res/assets/steps.dae", "steps model");
    data.write("res/assets/camera.dae", "camera path");
    data.write("res/texture/wall.png", "image");
    data.write("bench/shadowface.vert", "bench stage");
    data.write("other/steps.dae", "other model");
    data.write("other/camera.dae", "other camera path");
    Workspace workspace;
    ASSERT_TRUE(workspace.create(data.path(), data.path() / "bench", 1, data.path() / "other"));

    EXPECT_EQ(contentOf(workspace.path() / "res/assets/steps.dae"), "other model");
    EXPECT_EQ(contentOf(workspace.path() / "res/assets/camera.dae"), "other camera path");
    EXPECT_EQ(contentOf(workspace.path() / "res/assets/steps_copy01.dae"), "other model");
    EXPECT_EQ(contentOf(workspace.path() / "shader/shadowmap.frag"), "renderer stage");
    EXPECT_EQ(contentOf(workspace.path() / "res/texture/wall.png"), "image");
}

TEST(Workspace, CopiesAShaderWithASwitchSetAfterItsVersionLine)
{
    TempDirectory data;
    data.write("shader/lit.frag", "// Lit.\n#version 430 core\n\n#ifdef FULL\n#endif\n");
    data.write("shader/bare.frag", "void main() {}\n");
    data.write("res/assets/steps.dae", "steps model");
    data.write("res/texture/wall.png", "image");
    data.write("bench/shadowface.vert", "bench stage");
    Workspace workspace;
    ASSERT_TRUE(workspace.create(data.path(), data.path() / "bench", 0));

    ASSERT_TRUE(workspace.addShaderWithDefine("lit.frag", "full_lit.frag", "FULL"));
    EXPECT_EQ(contentOf(workspace.path() / "shader/full_lit.frag"),
              "// Lit.\n#version 430 core\n#define FULL\n\n#ifdef FULL\n#endif\n");
    EXPECT_EQ(contentOf(data.path() / "shader/lit.frag"), "// Lit.\n#version 430 core\n\n#ifdef FULL\n#endif\n")
        << "the shipped source is left alone";

    LogCapture log;
    EXPECT_FALSE(workspace.addShaderWithDefine("bare.frag", "full_bare.frag", "FULL"));
    EXPECT_FALSE(workspace.addShaderWithDefine("missing.frag", "full_missing.frag", "FULL"));
    EXPECT_FALSE(workspace.addShaderWithDefine("lit.frag", "bare.frag", "FULL"));
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "ERROR Bench: Could not find the version line of 'bare.frag'",
                               "ERROR Bench: Could not find the version line of 'missing.frag'",
                               "ERROR Bench: 'bare.frag' is taken"}));
    EXPECT_EQ(contentOf(data.path() / "shader/bare.frag"), "void main() {}\n");
    EXPECT_FALSE(fs::exists(workspace.path() / "shader/full_bare.frag"));
}

TEST(Workspace, MissingDataIsOneErrorLine)
{
    TempDirectory data;
    data.write("bench/shadowface.vert", "bench stage");
    LogCapture log;
    Workspace workspace;
    EXPECT_FALSE(workspace.create(data.path() / "nowhere", data.path() / "bench", 0));
    ASSERT_EQ(log.lines().size(), 1u) << log.text();
    EXPECT_EQ(log.lines().front().rfind("ERROR Bench: Could not read '", 0), 0u) << log.text();
}

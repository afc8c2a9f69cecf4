#include "ChildProcess.h"
#include "ColladaForgery.h"
#include "FileContent.h"
#include "ImageForgery.h"
#include "ShippedScene.h"
#include "TempDirectory.h"
#include "XSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

std::vector<std::string> errorLines(const std::string& output)
{
    std::vector<std::string> lines;
    std::istringstream stream(output);
    for (std::string line; std::getline(stream, line);) {
        if (line.find("ERROR") != std::string::npos) {
            lines.push_back(line);
        }
    }
    return lines;
}

// Whether a good part of the window shows more than the clear colour.
bool showsSomething(const RgbImage& picture)
{
    int drawn = 0;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            drawn += picture.matches(x, y, clearColour, 2) ? 0 : 1;
        }
    }
    return drawn > picture.width * picture.height / 8;
}

// One file of a kind that crashes, hangs or exhausts Assimp or FreeImage,
// put in the place of a shipped file, and the lines it must leave in the
// log, one after the other.
struct BrokenFile {
    const char* what;
    std::string path;
    std::string content;
    std::vector<std::string> lines;
    // A shipped file this one needs whole: images are read only for the
    // models that name them.
    std::string needs = "";
    // Files of names no shipped file has, written with this one: the image
    // a model names.
    std::vector<std::pair<std::string, std::string>> alongside = {};
};

std::string modelFailure(const std::string& fileName, const std::string& reason)
{
    return "ERROR AssetManager: '" + fileName + "' " + reason;
}

std::vector<std::string> modelLines(const std::string& stem, const std::string& reasonLine)
{
    return {reasonLine, "ERROR AssetManager: Could not import asset '" + stem + "'"};
}

// A texture refused for a claim of its header.
std::vector<std::string> textureLines(const std::string& fileName, const std::string& reason)
{
    return {"ERROR TextureManager: '" + fileName + "' " + reason,
            "ERROR TextureManager: Invalid texture '" + fileName + "'"};
}

std::vector<std::string> pathLines(const std::string& component, const std::string& fileName, const std::string& reason)
{
    return {"ERROR " + component + ": " + reason, "ERROR " + component + ": Could not read file '" + fileName + "'"};
}

// The files in as few runs of the program as their places allow.
std::vector<std::vector<const BrokenFile*>> runsOf(const std::vector<BrokenFile>& files)
{
    std::vector<std::vector<const BrokenFile*>> runs;
    const auto fits = [](const std::vector<const BrokenFile*>& run, const BrokenFile& file) {
        return std::none_of(run.begin(), run.end(), [&file](const BrokenFile* placed) {
            return placed->path == file.path || placed->path == file.needs || placed->needs == file.path;
        });
    };
    for (const BrokenFile& file : files) {
        const auto run = std::find_if(runs.begin(), runs.end(), [&](const auto& each) { return fits(each, file); });
        if (run != runs.end()) {
            run->push_back(&file);
        } else {
            runs.push_back({&file});
        }
    }
    return runs;
}

bool holdsInOrder(const std::vector<std::string>& log, const std::vector<std::string>& lines)
{
    return std::search(log.begin(), log.end(), lines.begin(), lines.end()) != log.end();
}

std::vector<std::string> allLines(const std::string& output)
{
    std::vector<std::string> lines;
    std::istringstream stream(output);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace

TEST(BrokenAssetsEndToEnd, FilesThatCrashHangOrExhaustTheLibrariesCostOnlyThemselves)
{
    using namespace ColladaForgery;
    const std::string steps = "res/assets/steps.dae";
    const std::string sphere = "res/assets/point_light_sphere.dae";
    const std::string camera = "res/assets/camera.dae";
    const std::string light = "res/assets/point_light.dae";
    const auto cameraLines = [](const std::string& reason) {
        return pathLines("CameraAnimation", "camera.dae", reason);
    };
    const auto lightLines = [](const std::string& reason) {
        return pathLines("PointLight", "point_light.dae", reason);
    };
    const std::string cameraFile = "'camera.dae' ";
    const std::string lightFile = "'point_light.dae' ";
    const std::string angleLine = "turns 'quad/spin.ANGLE' so far between keys that Assimp would sample it into more "
                                  "than 50000 keys";
    const std::vector<BrokenFile> files = {
        // Endless loops.
        {"a skin naming its own controller", camera, skinNamingItsController(),
         cameraLines(cameraFile + "has controller 'skin' whose source leads back to itself")},
        {"two morphs naming each other", light, morphsNamingEachOther(),
         lightLines(lightFile + "has controller 'first' whose source leads back to itself")},
        {"a sampler naming itself", steps, samplerNamingItself(),
         modelLines("steps", modelFailure("steps.dae", "has effect 'quad-effect' whose parameter 'sampler' leads back "
                                                       "to itself"))},
        {"a surface and a sampler naming each other", sphere, surfaceAndSamplerNamingEachOther(),
         modelLines("point_light_sphere", modelFailure("point_light_sphere.dae",
                                                       "has effect 'quad-effect' whose parameter 'sampler' leads "
                                                       "back to itself"))},
        // Crashes.
        {"positions far past their array", steps, accessorPastItsArray(4000000000u),
         modelLines("steps", modelFailure("steps.dae", "has an accessor that reads past the 12 values of its array "
                                                       "'quad-positions-array'"))},
        {"animations nested 100 000 deep", sphere, nestedElements("animation", 100000),
         modelLines("point_light_sphere",
                    modelFailure("point_light_sphere.dae", "nests elements more than 2000 deep"))},
        {"elements nested 600 000 deep", camera, nestedElements("extra", 600000),
         cameraLines(cameraFile + "nests elements more than 2000 deep")},
        {"a chain of 7 000 instances", light, instanceChain(7000),
         lightLines(lightFile + "nests nodes more than 1000 deep")},
        // Memory or time without bound.
        {"an angle jumping by 1e12 degrees", camera, angleStep("1e12"), cameraLines(cameraFile + angleLine)},
        {"a path of 100 000 keys", light, keyedAnimation(100000),
         lightLines(lightFile + "animates 'quad/transform' with 100000 keys, more than 50000")},
        {"instances doubling over 16 levels", steps, doublingInstances(16),
         modelLines("steps", modelFailure("steps.dae", "builds more than 10000 nodes beyond those it holds, through "
                                                       "<instance_node>"))},
        // A sound file that kills Assimp, and an unsound one no check knows.
        {"a skew", sphere, skewedNode(),
         modelLines("point_light_sphere",
                    "ERROR AssetManager: Import of 'point_light_sphere.dae' crashed with signal 6 (SIGABRT)")},
        {"a skin naming a joint past its list", light, skinWithJointPastItsList(),
         lightLines("Import of 'point_light.dae' crashed with signal 11 (SIGSEGV)")},
        // Images of a few bytes that claim more texels than may be decoded,
        // or than the file holds, and a name no content backs.
        {"a one-bit PNG of 16384 x 16384 texels", "res/texture/floor_diffuse.png",
         ImageForgery::blankOneBitPng(16384, 16384),
         textureLines("floor_diffuse.png", "claims 16384 x 16384 texels, more than the 67108864 an image may have"),
         steps},
        {"an SGI of 512 bytes claiming 16384 x 16384 texels", "res/texture/wall_diffuse.png",
         ImageForgery::sgiClaiming(16384, 16384),
         textureLines("wall_diffuse.png", "claims 16384 x 16384 texels, more than the 67108864 an image may have"),
         steps},
        {"a DDS of 128 bytes claiming 4096 x 4096 texels", "res/texture/pillar_diffuse.png",
         ImageForgery::ddsClaiming(4096, 4096),
         textureLines("pillar_diffuse.png", "claims 4096 x 4096 texels, more than its 128 bytes hold"), steps},
        {"text named as a PICT", sphere,
         [] {
             std::string model = texturedDocument(
                 "<newparam sid=\"surface\"><surface type=\"2D\"><init_from>wall-image</init_from></surface>"
                 "</newparam><newparam sid=\"sampler\"><sampler2D><source>surface</source></sampler2D></newparam>");
             return model.replace(model.find("wall.png"), 8, "tree.pict");
         }(),
         {"ERROR TextureManager: 'tree.pict' holds no PICT image, only its name says so",
          "ERROR TextureManager: Cannot read file 'tree.pict'"},
         "",
         {{"res/texture/tree.pict", "this is a picture of a tree, honest\n"}}},
    };

    XSession x;
    ASSERT_TRUE(x.isOpen()) << "this test needs an X display";
    for (const std::vector<const BrokenFile*>& run : runsOf(files)) {
        TempDirectory workspace;
        copyShippedScene(workspace.path());
        workspace.write("settings.txt", "FULLSCREEN 0\nWIDTH 320\nHEIGHT 180\n");
        std::string what;
        for (const BrokenFile* file : run) {
            std::filesystem::remove(workspace.path() / file->path);
            workspace.write(file->path, file->content);
            for (const auto& [path, content] : file->alongside) {
                workspace.write(path, content);
            }
            what += std::string(file->what) + "; ";
        }
        SCOPED_TRACE(what);

        // Escape as soon as the window shows; the program sees it after its
        // start-up, at the end of the first frame.
        const auto start = std::chrono::steady_clock::now();
        ChildProcess program(GLIMMERHALL_BINARY, workspace.path(), {});
        const XSession::WindowId window = x.waitForWindowOf(program.pid(), 30s);
        ASSERT_NE(window, 0u) << program.standardOutput() << program.standardError();
        x.focus(window);
        x.pressKey("Escape");
        EXPECT_EQ(program.waitForExit(30s), 0);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
        EXPECT_LT(program.peakResidentKilobytes(), 3l << 20);
        EXPECT_EQ(program.standardError(), "");
        const std::vector<std::string> log = allLines(program.standardOutput());
        for (const BrokenFile* file : run) {
            EXPECT_TRUE(holdsInOrder(log, file->lines)) << file->what << "\n" << program.standardOutput();
        }
    }
}

TEST(BrokenAssetsEndToEnd, TheProgramRunsOnWithoutWhatItCouldNotUseAndEndsWithEscape)
{
    XSession x;
    ASSERT_TRUE(x.isOpen()) << "this test needs an X display";
    TempDirectory workspace;
    copyShippedScene(workspace.path());
    const std::filesystem::path source(GLIMMERHALL_SOURCE_DIR);
    workspace.write("settings.txt", "FULLSCREEN 0\nWIDTH 320\nHEIGHT 180\n");

    // The room is cut off half way; the marker is a screen-filling triangle
    // under sound and unsound nodes; the camera's path runs through a key of
    // NaN and infinity; the light's file is empty.
    const std::string steps = fileContent(source / "res/assets/steps.dae");
    ASSERT_GT(steps.size(), 1000u);
    workspace.write("res/assets/steps.dae", steps.substr(0, steps.size() / 2));
    workspace.write("res/assets/point_light_sphere.dae", fileContent(source / "tests/scene/data/non_finite_nodes.dae"));
    workspace.write("res/assets/camera.dae", fileContent(source / "tests/animation/data/camera_non_finite_keys.dae"));
    workspace.write("res/assets/point_light.dae", "");

    ChildProcess program(GLIMMERHALL_BINARY, workspace.path(), {});
    const XSession::WindowId window = x.waitForWindowOf(program.pid(), 20s);
    ASSERT_NE(window, 0u) << program.standardError();
    EXPECT_TRUE(x.waitForPicture(window, showsSomething, 20s)) << "the window shows nothing";
    // The first frames sample the camera's path next to its bad key; past it
    // the camera moves on and the marker is still in view.
    std::this_thread::sleep_for(2500ms);
    EXPECT_TRUE(showsSomething(x.capture(window))) << "the window went blank along the camera's path";

    x.focus(window);
    x.pressKey("Escape");
    EXPECT_EQ(program.waitForExit(20s), 0);
    EXPECT_EQ(program.standardError(), "");

    const std::string output = program.standardOutput();
    const std::vector<std::string> errors = errorLines(output);
    const std::vector<std::string> expected = {
        "ERROR PointLight: Could not read file 'point_light.dae'",
        "ERROR AssetManager: Could not import asset 'steps'",
        "ERROR AssetManager: Node 'nan' has a transform that is not finite",
        "ERROR AssetManager: Node 'infinite' has a transform that is not finite",
        "ERROR AssetManager: Node 'parent' has a transform that is not finite",
    };
    for (const std::string& line : expected) {
        EXPECT_NE(std::find(errors.begin(), errors.end(), line), errors.end()) << line << "\n" << output;
    }
    const auto isCameraKeyLine = [](const std::string& line) {
        const std::string start = "ERROR CameraAnimation: Channel 'Eye' of animation '";
        const std::string end = "' has keys that are not finite";
        return line.size() >= start.size() + end.size() && line.rfind(start, 0) == 0 &&
               line.compare(line.size() - end.size(), end.size(), end) == 0;
    };
    EXPECT_EQ(std::count_if(errors.begin(), errors.end(), isCameraKeyLine), 1) << output;
    // Nothing else went wrong.
    EXPECT_EQ(errors.size(), expected.size() + 1) << output;
    EXPECT_NE(output.find("INFO AssetManager: Asset 'point_light_sphere' added successfully"), std::string::npos);
    EXPECT_EQ(output.find("INFO AssetManager: Asset 'steps' added successfully"), std::string::npos);
}

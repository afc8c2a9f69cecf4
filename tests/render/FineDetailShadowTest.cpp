#include "ShippedSceneTest.h"

#include "LogCapture.h"

#include "app/Application.h"
#include "gpu/PixelShader.h"
#include "scene/Model3D.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

const fs::path sourceDirectory(GLIMMERHALL_SOURCE_DIR);

// The moments of the fine-detail scene's paths: its first light straight
// above the casters, then its second with a cube-face edge through them.
constexpr double moments[] = {5.0, 15.0};

struct ProgramPair {
    const char* shipped;
    const char* reference;
    // The frozen reference of the shipped program, built beside it.
    const char* vertexFile;
    const char* referenceFile;
    // The shadow pass whose cube map the program reads.
    const char* shadowPass;
};

const ProgramPair pairs[] = {
    {"smnmbptex_point", "reference_smnmbptex_point", "smnmbptex_base.vert", "reference_smnmbptex_point.frag",
     "shadowmap"},
    {"smbptex_point", "reference_smbptex_point", "smbptex_base.vert", "reference_smbptex_point.frag", "shadowmap"},
    {"varsmnmbptex_point", "reference_varsmnmbptex_point", "smnmbptex_base.vert",
     "reference_varsmnmbptex_point.frag", "varshadowmap"},
};

// Every pixel of a shadowed program's picture keeps its reference's within
// this many steps of 255.
constexpr int mostStepsOff = 2;

struct PictureGap {
    int largest = 0;
    int pixelsOff = 0;
};

PictureGap gapBetween(const RgbImage& shipped, const RgbImage& reference)
{
    PictureGap gap;
    for (std::size_t pixel = 0; pixel + 2 < shipped.rgb.size(); pixel += 3) {
        int worst = 0;
        for (std::size_t channel = pixel; channel < pixel + 3; ++channel) {
            worst = std::max(worst, std::abs(shipped.rgb[channel] - reference.rgb[channel]));
        }
        gap.largest = std::max(gap.largest, worst);
        gap.pixelsOff += worst > mostStepsOff ? 1 : 0;
    }
    return gap;
}

int pixelsDiffering(const RgbImage& first, const RgbImage& second, int tolerance)
{
    int differing = 0;
    for (int y = 0; y < first.height; ++y) {
        for (int x = 0; x < first.width; ++x) {
            differing += first.matches(x, y, second.at(x, y), tolerance) ? 0 : 1;
        }
    }
    return differing;
}

} // namespace

// The fine-detail scene in place of the shipped one: the generator's files
// under the names the program loads, and the frozen references beside the
// shipped shaders.
class FineDetailShadowTest : public ShippedSceneTest {
protected:
    void SetUp() override
    {
        ShippedSceneTest::SetUp();
        for (const auto& entry : fs::directory_iterator(sourceDirectory / "bench" / "fine_detail")) {
            fs::copy_file(entry.path(), workspace.path() / "res" / "assets" / entry.path().filename(),
                          fs::copy_options::overwrite_existing);
        }
        for (const ProgramPair& pair : pairs) {
            fs::copy_file(sourceDirectory / "bench" / "shader" / pair.referenceFile,
                          workspace.path() / "shader" / pair.referenceFile);
        }
    }

    static PixelShader* program(const char* name)
    {
        LogCapture silence;
        return app.shaderManager.getShader(name);
    }

    // The scene's frame drawn with the steps model's program swapped for
    // another, after the shadow pass that program reads.
    RgbImage frameWith(PixelShader* drawing, PixelShader* shadowPass)
    {
        app.assetManager.findAsset("steps")->program = drawing;
        app.renderer->shadowProgram = shadowPass;
        return renderFrame();
    }
};

// Specks and holes of 1 to 8 shadow-map texels, thin rods, corners and a
// cube-face edge: a filter that skips samples it has not proven equal to
// the ones it takes loses or invents shadows there, up to a hundred steps.
TEST_F(FineDetailShadowTest, ShadowedProgramsDrawTheirReferencesPictures)
{
    ASSERT_NO_FATAL_FAILURE(loadScene());
    for (const ProgramPair& pair : pairs) {
        LogCapture log;
        PixelShader* shipped = app.shaderManager.getShader(pair.shipped);
        ASSERT_NE(shipped, nullptr) << log.text();
        ASSERT_NE(app.shaderManager.addShader(pair.reference, pair.vertexFile, pair.referenceFile, shipped->light),
                  nullptr)
            << log.text();
    }

    double shown = 0.0;
    for (const double seconds : moments) {
        advance(seconds - shown, seconds - shown);
        shown = seconds;
        for (const ProgramPair& pair : pairs) {
            SCOPED_TRACE(std::string(pair.shipped) + " at t = " + std::to_string(seconds) + " s");
            PixelShader* shadowPass = program(pair.shadowPass);
            const RgbImage shipped = frameWith(program(pair.shipped), shadowPass);
            const RgbImage reference = frameWith(program(pair.reference), shadowPass);
            const PictureGap gap = gapBetween(shipped, reference);
            EXPECT_EQ(gap.pixelsOff, 0) << "largest difference " << gap.largest << " of 255";
        }
        // The casters' shadows are in the picture at all.
        const RgbImage shadowed = frameWith(program(pairs[0].reference), program("shadowmap"));
        const RgbImage unshadowed = renderFrameWithoutShadows();
        EXPECT_GT(pixelsDiffering(shadowed, unshadowed, 8), frameWidth * frameHeight / 20);
    }
}

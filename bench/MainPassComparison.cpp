#include <GL/glew.h>

#include "MainPassComparison.h"

#include "FrameDriver.h"
#include "MainPassPrograms.h"
#include "RendererVariant.h"
#include "SwappedProgramVariant.h"
#include "Workspace.h"

#include "render/Renderer.h"

#include <algorithm>
#include <array>

namespace {

// Two empty renderings would agree trivially: the scene must fill at least
// this share of the image.
constexpr double leastCoveredShare = 0.25;

std::array<float, 3> clearColourSteps()
{
    float clearColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    return {clearColour[0] * 255.0f, clearColour[1] * 255.0f, clearColour[2] * 255.0f};
}

std::vector<std::uint8_t> drawAndRead(FrameDriver& driver, FrameVariant& variant, int width, int height)
{
    Equivalence::fillBackBufferWithSentinel();
    driver.draw(variant);
    std::vector<std::uint8_t> image = Equivalence::readBackBuffer(width, height);
    driver.present();
    return image;
}

// The worst of the moments: the largest difference, the most pixels off and
// the least coverage any of them showed.
Difference worstOf(const std::vector<MomentResult>& moments, const std::string& program)
{
    Difference worst;
    worst.coveredShare = 1.0;
    for (const MomentResult& moment : moments) {
        for (const PictureResult& picture : moment.pictures) {
            if (picture.program != program) {
                continue;
            }
            const Difference& found = picture.difference;
            worst.largest = std::max(worst.largest, found.largest);
            worst.differingValues = std::max(worst.differingValues, found.differingValues);
            worst.pixelsOff = std::max(worst.pixelsOff, found.pixelsOff);
            worst.totalValues = found.totalValues;
            worst.coveredShare = std::min(worst.coveredShare, found.coveredShare);
        }
    }
    return worst;
}

} // namespace

MainPassComparison::MainPassComparison(BenchResults& results) : results(results)
{
}

bool MainPassComparison::run(const Workspace& workspace, const std::vector<double>& moments)
{
    if (!workspace.addShaderWithDefine("smnmbptex_point.frag", MainPassPrograms::fullFilterFile,
                                       MainPassPrograms::fullFilterSwitch)) {
        return false;
    }
    BenchScene scene;
    MainPassPrograms programs;
    if (!scene.start(SceneConfig{}) || !programs.build()) {
        return false;
    }
    const SceneHandles& handles = scene.handles();
    SceneHandles wideHandles = handles;
    wideHandles.shadowProgram = programs.wideShadowPass;

    RendererVariant renderer(scene.renderer());
    SwappedProgramVariant reference("reference", handles, {programs.shipped, programs.reference});
    SwappedProgramVariant fullFilter("forced-full", handles, {programs.shipped, programs.fullFilter});
    SwappedProgramVariant unshadowed("unshadowed", handles, {programs.shipped, programs.unshadowedFloor});
    SwappedProgramVariant oneTap("one-tap", handles, {programs.shipped, programs.oneTapFloor});
    SwappedProgramVariant plain("smbptex_point", handles, {programs.shipped, programs.plain});
    SwappedProgramVariant plainReference("reference smbptex_point", handles,
                                         {programs.shipped, programs.plainReference});
    SwappedProgramVariant wide("varsmnmbptex_point", wideHandles, {programs.shipped, programs.wide});
    SwappedProgramVariant wideReference("reference varsmnmbptex_point", wideHandles,
                                        {programs.shipped, programs.wideReference});
    const std::vector<FrameVariant*> variants = {&renderer, &reference,      &fullFilter, &unshadowed,   &oneTap,
                                                 &plain,    &plainReference, &wide,       &wideReference};
    const std::vector<PicturePair> pairs = {{"smnmbptex_point", &renderer, &reference},
                                            {"smnmbptex_point, forced full", &fullFilter, &reference},
                                            {"smbptex_point", &plain, &plainReference},
                                            {"varsmnmbptex_point", &wide, &wideReference}};

    // Every frame shows the moment still, so the measured rounds all draw
    // the same picture.
    FrameDriver driver(0.0);
    double shown = 0.0;
    for (const double seconds : moments) {
        for (FrameVariant* variant : variants) {
            variant->update(seconds - shown);
        }
        shown = seconds;
        results.moments.push_back(measureMoment(driver, variants, pairs, handles, seconds));
    }
    addPictureChecks(pairs);
    return true;
}

MomentResult MainPassComparison::measureMoment(FrameDriver& driver, const std::vector<FrameVariant*>& variants,
                                               const std::vector<PicturePair>& pairs, const SceneHandles& handles,
                                               double seconds) const
{
    MomentResult moment;
    moment.seconds = seconds;
    for (const FrameVariant* variant : variants) {
        moment.variants.emplace_back(variant->name(), static_cast<std::size_t>(results.settings.momentFrames));
    }
    driver.runInterleaved(variants, results.settings.momentWarmUpFrames, results.settings.momentFrames,
                          moment.variants);
    comparePictures(driver, pairs, handles, moment);
    return moment;
}

void MainPassComparison::comparePictures(FrameDriver& driver, const std::vector<PicturePair>& pairs,
                                         const SceneHandles& handles, MomentResult& moment) const
{
    const std::array<float, 3> clearColour = clearColourSteps();
    for (const PicturePair& pair : pairs) {
        const auto shipped = drawAndRead(driver, *pair.shipped, handles.windowWidth, handles.windowHeight);
        const auto reference = drawAndRead(driver, *pair.reference, handles.windowWidth, handles.windowHeight);
        moment.pictures.push_back(
            {pair.program, Equivalence::compareImages(shipped, reference, clearColour.data())});
    }
}

void MainPassComparison::addPictureChecks(const std::vector<PicturePair>& pairs)
{
    for (const PicturePair& pair : pairs) {
        CheckResult check{std::string(pair.program) + " keeps the reference picture",
                          worstOf(results.moments, pair.program), pictureTolerance, leastCoveredShare};
        check.mostPixelsOff = mostPixelsOff;
        results.checks.push_back(std::move(check));
    }
}

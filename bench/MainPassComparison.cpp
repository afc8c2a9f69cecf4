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
#include <memory>

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

// The started scene with every program of the comparison and the variants
// that draw with them.
class ComparedScene {
public:
    using PicturePair = MainPassComparison::PicturePair;

    // False when the scene or one of the programs could not be set up.
    bool start(const Workspace& workspace)
    {
        if (!workspace.addShaderWithDefine("smnmbptex_point.frag", MainPassPrograms::fullFilterFile,
                                           MainPassPrograms::fullFilterSwitch) ||
            !scene.start(SceneConfig{}) || !programs.build()) {
            return false;
        }
        const SceneHandles& handles = scene.handles();
        SceneHandles wideHandles = handles;
        wideHandles.shadowProgram = programs.wideShadowPass;
        renderer = std::make_unique<RendererVariant>(scene.renderer());
        reference = swapped("reference", handles, programs.reference);
        fullFilter = swapped("forced-full", handles, programs.fullFilter);
        unshadowed = swapped("unshadowed", handles, programs.unshadowedFloor);
        oneTap = swapped("one-tap", handles, programs.oneTapFloor);
        plain = swapped("smbptex_point", handles, programs.plain);
        plainReference = swapped("reference smbptex_point", handles, programs.plainReference);
        wide = swapped("varsmnmbptex_point", wideHandles, programs.wide);
        wideReference = swapped("reference varsmnmbptex_point", wideHandles, programs.wideReference);
        return true;
    }

    const SceneHandles& handles() const { return scene.handles(); }

    std::vector<FrameVariant*> variants() const
    {
        return {renderer.get(), reference.get(),      fullFilter.get(), unshadowed.get(),   oneTap.get(),
                plain.get(),    plainReference.get(), wide.get(),       wideReference.get()};
    }

    std::vector<PicturePair> pairs() const
    {
        return {{"smnmbptex_point", renderer.get(), reference.get()},
                {"smnmbptex_point, forced full", fullFilter.get(), reference.get()},
                {"smbptex_point", plain.get(), plainReference.get()},
                {"varsmnmbptex_point", wide.get(), wideReference.get()}};
    }

    // Every variant moved on to the moment, from the one shown before.
    void show(double seconds)
    {
        for (FrameVariant* variant : variants()) {
            variant->update(seconds - shown);
        }
        shown = seconds;
    }

private:
    std::unique_ptr<SwappedProgramVariant> swapped(const char* name, const SceneHandles& handles,
                                                   const PixelShader* drawing) const
    {
        return std::make_unique<SwappedProgramVariant>(name, handles, ProgramSwap{programs.shipped, drawing});
    }

    BenchScene scene;
    MainPassPrograms programs;
    std::unique_ptr<RendererVariant> renderer;
    std::unique_ptr<SwappedProgramVariant> reference;
    std::unique_ptr<SwappedProgramVariant> fullFilter;
    std::unique_ptr<SwappedProgramVariant> unshadowed;
    std::unique_ptr<SwappedProgramVariant> oneTap;
    std::unique_ptr<SwappedProgramVariant> plain;
    std::unique_ptr<SwappedProgramVariant> plainReference;
    std::unique_ptr<SwappedProgramVariant> wide;
    std::unique_ptr<SwappedProgramVariant> wideReference;
    double shown = 0.0;
};

// Each shipped program's picture beside its reference's at the moment all
// variants show.
std::vector<PictureResult> comparePictures(FrameDriver& driver, const std::vector<ComparedScene::PicturePair>& pairs,
                                           const SceneHandles& handles)
{
    const std::array<float, 3> clearColour = clearColourSteps();
    std::vector<PictureResult> pictures;
    for (const ComparedScene::PicturePair& pair : pairs) {
        const auto shipped = drawAndRead(driver, *pair.shipped, handles.windowWidth, handles.windowHeight);
        const auto reference = drawAndRead(driver, *pair.reference, handles.windowWidth, handles.windowHeight);
        pictures.push_back({pair.program, Equivalence::compareImages(shipped, reference, clearColour.data())});
    }
    return pictures;
}

} // namespace

MainPassComparison::MainPassComparison(BenchResults& results) : results(results)
{
}

bool MainPassComparison::run(const Workspace& workspace, const std::vector<double>& moments)
{
    return compareAt(workspace, moments, true, results.moments, "");
}

bool MainPassComparison::compareFineDetail(const Workspace& workspace, const std::vector<double>& moments)
{
    return compareAt(workspace, moments, false, results.fineDetailMoments, " on fine detail");
}

bool MainPassComparison::compareAt(const Workspace& workspace, const std::vector<double>& moments, bool timed,
                                   std::vector<MomentResult>& into, const char* scene)
{
    ComparedScene compared;
    if (!compared.start(workspace)) {
        return false;
    }
    // Every frame shows the moment still, so the measured rounds all draw
    // the same picture.
    FrameDriver driver(0.0);
    const std::vector<FrameVariant*> measured = timed ? compared.variants() : std::vector<FrameVariant*>();
    for (const double seconds : moments) {
        compared.show(seconds);
        into.push_back(measureMoment(driver, measured, compared.pairs(), compared.handles(), seconds));
    }
    addPictureChecks(compared.pairs(), into, scene);
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
    moment.pictures = comparePictures(driver, pairs, handles);
    return moment;
}

void MainPassComparison::addPictureChecks(const std::vector<PicturePair>& pairs,
                                          const std::vector<MomentResult>& moments, const char* scene)
{
    for (const PicturePair& pair : pairs) {
        CheckResult check{std::string(pair.program) + " keeps the reference picture" + scene,
                          worstOf(moments, pair.program), pictureTolerance, leastCoveredShare};
        check.mostPixelsOff = 0;
        results.checks.push_back(std::move(check));
    }
}

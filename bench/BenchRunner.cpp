#include <GL/glew.h>

#include "BenchRunner.h"

#include "AllocationCounter.h"
#include "BaselineVariants.h"
#include "FrameDriver.h"
#include "ProcessMemory.h"
#include "RendererVariant.h"

#include "gpu/Texture.h"
#include "render/Renderer.h"

#include <vector>

namespace {

// Equal programs fed equal values draw equal pixels; one step of a colour
// channel is left for the order of floating-point operations.
constexpr double imageTolerance = 1.0;
// The two shadow passes apply the same matrices in the same order, once in
// the geometry stage and once in the vertex stage; allow two steps of the
// depth buffer for the stages' arithmetic.
constexpr double depthTolerance = 2.0;
// Two empty renderings would agree trivially: the scene must fill at least
// this share of the image and of the cube map.
constexpr double leastCoveredShare = 0.25;

// Fills the cube map with depths no shadow pass leaves: a baseline that drew
// nothing would otherwise be compared with what the variant before it left
// behind.
void fillCubemapWithSentinel(unsigned int framebuffer)
{
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glClearDepth(0.0);
    glClear(GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

std::string glString(GLenum name)
{
    const auto* text = reinterpret_cast<const char*>(glGetString(name));
    return text != nullptr ? text : "";
}

} // namespace

BenchRunner::BenchRunner(BenchResults& results) : results(results)
{
}

bool BenchRunner::runComparison()
{
    BenchScene scene;
    const std::uint64_t allocationsBefore = AllocationCounter::count();
    results.sceneLoaded = scene.start(SceneConfig{});
    results.startupAllocations = AllocationCounter::count() - allocationsBefore;
    results.startup = scene.startupTimes();
    if (!results.sceneLoaded) {
        return false;
    }
    recordContextInfo();

    RendererVariant renderer(scene.renderer());
    RawVariant raw(scene.handles());
    SixPassVariant sixPass(scene.handles(), *scene.facePassProgram());
    const std::vector<FrameVariant*> variants = {&renderer, &raw, &sixPass};
    FrameDriver driver(results.settings.deltaSeconds);

    results.firstFrameMs = driver.run(renderer).wallMs;
    // The other two catch up, so that all three animate the same frames.
    driver.run(raw);
    driver.run(sixPass);

    const auto frames = static_cast<std::size_t>(results.settings.measuredFrames);
    results.variants.clear();
    for (const FrameVariant* variant : variants) {
        results.variants.emplace_back(variant->name(), frames);
    }
    driver.runInterleaved(variants, results.settings.warmUpFrames, results.settings.measuredFrames,
                          results.variants);
    results.peakResidentMiB = ProcessMemory::peakResidentMiB();
    runChecks(scene, driver, renderer, raw, sixPass);
    return true;
}

void BenchRunner::runChecks(BenchScene& scene, FrameDriver& driver, FrameVariant& renderer, FrameVariant& raw,
                            FrameVariant& sixPass)
{
    const SceneHandles& handles = scene.handles();
    const unsigned int cubemap = scene.renderer().framebuffer.attachedTexture->id;
    const int cubeSize = scene.renderer().framebuffer.attachedTexture->width;
    float clearColour[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
    for (float& channel : clearColour) {
        channel *= 255.0f;
    }

    // The three variants have drawn equally many frames, so the next one
    // shows the same moment in each. The raw loop goes first: uniforms stay
    // in the programs it shares with the renderer, so had it skipped one,
    // the value left from the frame before would give it away.
    Equivalence::fillBackBufferWithSentinel();
    driver.draw(raw);
    const auto rawImage = Equivalence::readBackBuffer(handles.windowWidth, handles.windowHeight);
    driver.present();

    driver.draw(renderer);
    const auto rendererImage = Equivalence::readBackBuffer(handles.windowWidth, handles.windowHeight);
    const auto layeredDepth = Equivalence::readCubemapDepth(cubemap, cubeSize);
    driver.present();

    fillCubemapWithSentinel(scene.renderer().framebuffer.framebufferId);
    driver.draw(sixPass);
    const auto sixPassDepth = Equivalence::readCubemapDepth(cubemap, cubeSize);
    driver.present();

    results.checks.push_back({"renderer image equals raw image",
                              Equivalence::compareImages(rendererImage, rawImage, clearColour), imageTolerance,
                              leastCoveredShare});
    results.checks.push_back({"layered cube map equals six-pass cube map",
                              Equivalence::compareDepths(layeredDepth, sixPassDepth), depthTolerance,
                              leastCoveredShare});
}

bool BenchRunner::runGrowth(const SceneConfig& config, std::vector<GrowthResult>& series)
{
    BenchScene scene;
    if (!scene.start(config)) {
        return false;
    }
    RendererVariant renderer(scene.renderer());
    FrameDriver driver(results.settings.deltaSeconds);
    GrowthResult point{config, VariantResult("renderer", static_cast<std::size_t>(results.settings.growthFrames))};
    for (int frame = 0; frame < results.settings.growthWarmUpFrames; ++frame) {
        driver.run(renderer);
    }
    for (int frame = 0; frame < results.settings.growthFrames; ++frame) {
        point.renderer.add(driver.run(renderer));
    }
    series.push_back(std::move(point));
    return true;
}

void BenchRunner::recordContextInfo()
{
    results.machine.glRenderer = glString(GL_RENDERER);
    results.machine.glVersion = glString(GL_VERSION);
}

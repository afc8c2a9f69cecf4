#include "BenchResults.h"
#include "BenchRunner.h"
#include "MainPassComparison.h"
#include "Workspace.h"

#include "LogCapture.h"

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

// Runs the benchmark's work inside a workspace on the shipped data with the
// given copies of the steps model, as the benchmark does, and leaves it with
// GLFW shut down; false when the workspace could not be made.
template <typename Work>
bool inShippedWorkspace(int stepsCopies, Work work)
{
    Workspace workspace;
    if (!workspace.create(GLIMMERHALL_SOURCE_DIR, GLIMMERHALL_BENCH_SHADER_DIR, stepsCopies)) {
        return false;
    }
    const fs::path home = fs::current_path();
    fs::current_path(workspace.path());
    work(workspace);
    glfwTerminate();
    fs::current_path(home);
    return true;
}

} // namespace

// A few frames of the real comparison on the shipped scene: the raw and
// six-pass baselines must still draw what the renderer draws, and the
// renderer's frame path must not touch the heap. No figure is asserted.
TEST(BenchRunner, BaselinesMatchTheRendererAndFramesDoNotAllocate)
{
    LogCapture log;
    BenchResults results;
    results.settings.deltaSeconds = 1.0 / 60.0;
    results.settings.warmUpFrames = 2;
    results.settings.measuredFrames = 3;
    results.settings.growthWarmUpFrames = 1;
    results.settings.growthFrames = 2;
    bool compared = false;
    bool grew = false;
    ASSERT_TRUE(inShippedWorkspace(1, [&](const Workspace&) {
        BenchRunner runner(results);
        compared = runner.runComparison();
        SceneConfig grown;
        grown.shadowMapSize = 512;
        grown.stepsCount = 2;
        grew = runner.runGrowth(grown, results.sceneGrowth);
    }));

    ASSERT_TRUE(compared) << log.text();
    EXPECT_TRUE(results.sceneLoaded);
    ASSERT_EQ(results.checks.size(), 2u);
    for (const CheckResult& check : results.checks) {
        EXPECT_TRUE(check.passed()) << check.name << ": largest difference " << check.difference.largest << ", "
                                    << check.difference.differingValues << " differ, covered "
                                    << check.difference.coveredShare;
    }
    EXPECT_GT(results.startupAllocations, 0u) << "the counting allocator is not linked in";
    ASSERT_EQ(results.variants.size(), 3u);
    for (const VariantResult& variant : results.variants) {
        EXPECT_EQ(variant.wallMs.size(), 3u) << variant.name;
        EXPECT_EQ(variant.allocations, 0u) << variant.name;
    }

    ASSERT_TRUE(grew) << log.text();
    ASSERT_EQ(results.sceneGrowth.size(), 1u);
    EXPECT_EQ(results.sceneGrowth[0].renderer.wallMs.size(), 2u);
    EXPECT_EQ(results.sceneGrowth[0].renderer.allocations, 0u);
    EXPECT_NE(log.text().find("Asset 'steps_copy01' added successfully"), std::string::npos) << log.text();
}

// One still frame of each variant at one moment: the shipped shadowed
// programs must keep the pictures of their frozen references, as must the
// control with its filter's early-out forced off. The frame is a warm-up
// frame, which must stay out of the figures; the pictures are drawn after
// it either way.
TEST(MainPassComparison, ShippedShadowedProgramsKeepTheirReferencesPictures)
{
    LogCapture log;
    BenchResults results;
    results.settings.momentWarmUpFrames = 1;
    results.settings.momentFrames = 0;
    bool compared = false;
    ASSERT_TRUE(inShippedWorkspace(0, [&](const Workspace& workspace) {
        compared = MainPassComparison(results).run(workspace, {15.6});
    }));

    ASSERT_TRUE(compared) << log.text();
    ASSERT_EQ(results.moments.size(), 1u);
    EXPECT_EQ(results.moments[0].variants.size(), 9u);
    for (const VariantResult& variant : results.moments[0].variants) {
        EXPECT_EQ(variant.wallMs.size(), 0u) << variant.name;
    }
    ASSERT_EQ(results.checks.size(), 4u);
    for (const CheckResult& check : results.checks) {
        EXPECT_TRUE(check.passed()) << check.name << ": largest difference " << check.difference.largest << ", "
                                    << check.difference.pixelsOff << " pixels off, covered "
                                    << check.difference.coveredShare;
    }
}

#pragma once

#include "BenchResults.h"

class FrameDriver;
class FrameVariant;

// Runs the benchmark's scenes and frames, filling the results.
class BenchRunner {
public:
    explicit BenchRunner(BenchResults& results);

    // The shipped scene: start-up timings, then the renderer and both
    // baselines frame by frame in turn, then the equivalence checks. False
    // when the scene could not be set up.
    bool runComparison();
    // The renderer alone on a changed scene; false when it could not start.
    bool runGrowth(const SceneConfig& config, std::vector<GrowthResult>& series);

private:
    void runChecks(BenchScene& scene, FrameDriver& driver, FrameVariant& renderer,
                   FrameVariant& raw, FrameVariant& sixPass);
    void recordContextInfo();

    BenchResults& results;
};

#pragma once

#include "BenchScene.h"
#include "Equivalence.h"
#include "Samples.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

struct FrameCost;

// Every measured frame of one variant.
struct VariantResult {
    VariantResult(std::string name, std::size_t frames);
    void add(const FrameCost& cost);
    double allocationsPerFrame() const;

    std::string name;
    Samples updateCpuMs;
    Samples submitCpuMs; // both passes
    Samples shadowSubmitCpuMs;
    Samples shadowGpuMs;
    Samples mainGpuMs;
    Samples wallMs;
    Samples processCpuMs;
    std::uint64_t allocations = 0;
};

// One point of a growth series: the renderer alone with a bigger shadow map
// or more copies of the steps model.
struct GrowthResult {
    SceneConfig config;
    VariantResult renderer;
};

// An equivalence check between two renderings of the same frame.
struct CheckResult {
    std::string name;
    Difference difference;
    // The largest difference accepted, in the units of Difference::largest.
    double tolerance = 0.0;
    // The least share of the first rendering that must show the scene.
    double leastCoveredShare = 0.0;
    // Images only: how many pixels may be more than a slight gap apart.
    std::size_t mostPixelsOff = std::numeric_limits<std::size_t>::max();

    bool passed() const;
};

// A shipped program's picture beside its frozen reference's, both drawn at
// the same moment.
struct PictureResult {
    std::string program;
    Difference difference;
};

// The main-pass comparison at one moment of the animation paths: every
// variant's frames, measured interleaved, and the pictures.
struct MomentResult {
    double seconds = 0.0;
    std::vector<VariantResult> variants;
    std::vector<PictureResult> pictures;

    const VariantResult* variant(const std::string& name) const;
};

struct MachineInfo {
    std::string cpu;
    unsigned int cores = 0;
    std::string glRenderer;
    std::string glVersion;
    double loadBefore[3] = {0.0, 0.0, 0.0};
    double loadAfter[3] = {0.0, 0.0, 0.0};
};

struct RunSettings {
    int windowWidth = 0;
    int windowHeight = 0;
    double deltaSeconds = 0.0;
    int warmUpFrames = 0;
    int measuredFrames = 0;
    int growthWarmUpFrames = 0;
    int growthFrames = 0;
    int momentWarmUpFrames = 0;
    int momentFrames = 0;
};

struct BenchResults {
    MachineInfo machine;
    RunSettings settings;
    StartupTimes startup;
    // Shows that the allocation counter is live: loading allocates plenty.
    std::uint64_t startupAllocations = 0;
    double firstFrameMs = 0.0;
    // The renderer, then the raw and six-pass baselines, measured
    // interleaved frame by frame.
    std::vector<VariantResult> variants;
    double peakResidentMiB = 0.0;
    // The main pass's shaders beside their references, floors and control.
    std::vector<MomentResult> moments;
    // The shadowed programs' pictures on the fine-detail scene, no timings.
    std::vector<MomentResult> fineDetailMoments;
    std::vector<GrowthResult> shadowMapGrowth;
    std::vector<GrowthResult> sceneGrowth;
    std::vector<CheckResult> checks;
    bool sceneLoaded = false;
    bool mainPassCompared = false;
    bool fineDetailCompared = false;

    const VariantResult* variant(const std::string& name) const;
    bool allChecksPassed() const;
};

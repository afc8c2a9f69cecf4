// glimmerhall_bench: loads the shipped scene through the renderer's own
// library code, drives a fixed number of frames with a fixed step next to
// two hand-written baselines, times the main pass's shaders against frozen
// references of the shaders they replaced at a few moments of the paths,
// compares their pictures there and on a scene of fine shadow casters, and
// reports start-up, per-frame costs, memory, heap allocations and how the
// cost grows with the shadow map and the scene.

#include "BenchOptions.h"
#include "BenchResults.h"
#include "BenchRunner.h"
#include "Machine.h"
#include "MainPassComparison.h"
#include "Report.h"
#include "Workspace.h"

#include <GLFW/glfw3.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr double frameStep = 1.0 / 60.0;
constexpr int shadowMapSizes[] = {512, 1024, 2048};
constexpr int stepsCounts[] = {4, 16};
constexpr int mostStepsCopies = 15;
// Seconds from the start of the paths. The share of the screen in penumbra,
// where the shadow filter cannot stop early, changes as the light and the
// camera move.
constexpr double mainPassMoments[] = {1.0, 5.0, 10.0, 15.6};
// The fine-detail scene's two still lights, and where its data lies below
// the data directory.
constexpr double fineDetailMoments[] = {5.0, 15.0};
const char* const fineDetailAssets = "bench/fine_detail";

// The library logs every event to standard output; during the runs those
// lines go to the log file, so the table stands on its own.
class RedirectedStdout {
public:
    explicit RedirectedStdout(std::ostream& target) : saved(std::cout.rdbuf(target.rdbuf())) {}
    ~RedirectedStdout() { std::cout.rdbuf(saved); }
    RedirectedStdout(const RedirectedStdout&) = delete;
    RedirectedStdout& operator=(const RedirectedStdout&) = delete;

private:
    std::streambuf* saved;
};

RunSettings runSettings(const BenchOptions& options)
{
    RunSettings settings;
    settings.windowWidth = Workspace::windowWidth;
    settings.windowHeight = Workspace::windowHeight;
    settings.deltaSeconds = frameStep;
    settings.warmUpFrames = options.warmUpFrames;
    settings.measuredFrames = options.measuredFrames;
    settings.growthWarmUpFrames = options.growthWarmUpFrames;
    settings.growthFrames = options.growthFrames;
    settings.momentWarmUpFrames = options.momentWarmUpFrames;
    settings.momentFrames = options.momentFrames;
    return settings;
}

void runEverything(const Workspace& workspace, BenchResults& results)
{
    BenchRunner runner(results);
    if (!runner.runComparison()) {
        return;
    }
    MainPassComparison mainPass(results);
    results.mainPassCompared =
        mainPass.run(workspace, std::vector<double>(std::begin(mainPassMoments), std::end(mainPassMoments)));
    for (const int size : shadowMapSizes) {
        SceneConfig config;
        config.shadowMapSize = size;
        runner.runGrowth(config, results.shadowMapGrowth);
    }
    // The shipped scene is the last point of the shadow-map series.
    if (!results.shadowMapGrowth.empty() &&
        results.shadowMapGrowth.back().config.shadowMapSize == SceneConfig{}.shadowMapSize) {
        results.sceneGrowth.push_back(results.shadowMapGrowth.back());
    }
    for (const int count : stepsCounts) {
        SceneConfig config;
        config.stepsCount = count;
        runner.runGrowth(config, results.sceneGrowth);
    }
}

// Runs the work inside a workspace on the data, from its directory.
template <typename Work>
void inWorkspace(const fs::path& dataDirectory, int stepsCopies, const fs::path& assetsDirectory, Work work)
{
    Workspace workspace;
    if (!workspace.create(dataDirectory, GLIMMERHALL_BENCH_SHADER_DIR, stepsCopies, assetsDirectory)) {
        return;
    }
    const fs::path home = fs::current_path();
    fs::current_path(workspace.path());
    work(workspace);
    fs::current_path(home);
}

} // namespace

int main(int argc, char** argv)
{
    BenchOptions options;
    options.dataDirectory = GLIMMERHALL_SOURCE_DIR;
    if (!options.parse(argc, argv)) {
        BenchOptions::printUsage();
        return 2;
    }
    const fs::path outputDirectory = fs::absolute(options.outputDirectory);
    std::error_code error;
    fs::create_directories(outputDirectory, error);
    std::ofstream log(outputDirectory / "bench.log");
    if (error || !log) {
        std::cerr << "glimmerhall_bench: cannot write into '" << outputDirectory.string() << "'\n";
        return 1;
    }

    BenchResults results;
    results.settings = runSettings(options);
    Machine::describe(results.machine);
    Machine::readLoadAverage(results.machine.loadBefore);
    {
        RedirectedStdout redirect(log);
        inWorkspace(options.dataDirectory, mostStepsCopies, {},
                    [&](const Workspace& workspace) { runEverything(workspace, results); });
        const fs::path fineDetail = options.dataDirectory / fineDetailAssets;
        inWorkspace(options.dataDirectory, 0, fineDetail, [&](const Workspace& workspace) {
            results.fineDetailCompared = MainPassComparison(results).compareFineDetail(
                workspace, std::vector<double>(std::begin(fineDetailMoments), std::end(fineDetailMoments)));
        });
        glfwTerminate();
    }
    Machine::readLoadAverage(results.machine.loadAfter);

    Report::printTable(results, std::cout);
    const fs::path jsonPath = outputDirectory / "bench.json";
    if (Report::writeJson(results, jsonPath)) {
        std::cout << "\nWrote " << jsonPath.string() << "; the renderer's log is in "
                  << (outputDirectory / "bench.log").string() << "\n";
    }
    return results.sceneLoaded && results.mainPassCompared && results.fineDetailCompared && results.allChecksPassed()
               ? 0
               : 1;
}

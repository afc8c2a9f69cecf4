#include <GL/glew.h>

#include "FrameDriver.h"

#include "AllocationCounter.h"
#include "BenchResults.h"
#include "FrameVariant.h"

#include "gpu/DefaultFramebuffer.h"

#include <chrono>
#include <ctime>

namespace {

double threadCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) * 1e-6;
}

// Every thread of the process, the driver's rasteriser threads included:
// unlike the wall time, it does not grow when other processes take turns
// on the cores.
double processCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) * 1e-6;
}

double millisecondsBetween(std::chrono::steady_clock::time_point start, std::chrono::steady_clock::time_point end)
{
    return std::chrono::duration<double, std::milli>(end - start).count();
}

} // namespace

FrameDriver::FrameDriver(double deltaSeconds) : deltaSeconds(deltaSeconds)
{
    shadowTimer.create();
    mainTimer.create();
}

FrameDriver::~FrameDriver()
{
    shadowTimer.release();
    mainTimer.release();
}

FrameCost FrameDriver::run(FrameVariant& variant)
{
    FrameCost cost;
    const std::uint64_t allocationsBefore = AllocationCounter::count();
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = threadCpuMilliseconds();
    const double processCpuStart = processCpuMilliseconds();

    variant.update(deltaSeconds);
    const double cpuUpdated = threadCpuMilliseconds();

    shadowTimer.begin();
    variant.renderShadowPass();
    shadowTimer.end();
    const double cpuShadowSubmitted = threadCpuMilliseconds();

    mainTimer.begin();
    variant.renderMainPass();
    mainTimer.end();
    const double cpuMainSubmitted = threadCpuMilliseconds();

    present();
    const auto wallEnd = std::chrono::steady_clock::now();
    cost.processCpuMs = processCpuMilliseconds() - processCpuStart;
    cost.allocations = AllocationCounter::count() - allocationsBefore;

    cost.updateCpuMs = cpuUpdated - cpuStart;
    cost.shadowSubmitCpuMs = cpuShadowSubmitted - cpuUpdated;
    cost.mainSubmitCpuMs = cpuMainSubmitted - cpuShadowSubmitted;
    cost.wallMs = millisecondsBetween(wallStart, wallEnd);
    cost.shadowGpuMs = shadowTimer.elapsedMilliseconds();
    cost.mainGpuMs = mainTimer.elapsedMilliseconds();
    return cost;
}

void FrameDriver::runInterleaved(const std::vector<FrameVariant*>& variants, int warmUpRounds, int measuredRounds,
                                 std::vector<VariantResult>& results)
{
    for (int round = 0; round < warmUpRounds + measuredRounds; ++round) {
        for (std::size_t turn = 0; turn < variants.size(); ++turn) {
            const std::size_t index = (static_cast<std::size_t>(round) + turn) % variants.size();
            const FrameCost cost = run(*variants[index]);
            if (round >= warmUpRounds) {
                results[index].add(cost);
            }
        }
    }
}

void FrameDriver::draw(FrameVariant& variant)
{
    variant.update(deltaSeconds);
    variant.renderShadowPass();
    variant.renderMainPass();
}

void FrameDriver::present()
{
    DefaultFramebuffer::swapBuffers();
    glFinish();
}

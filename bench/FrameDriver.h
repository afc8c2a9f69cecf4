#pragma once

#include "GpuTimer.h"

#include <cstdint>
#include <vector>

class FrameVariant;
struct VariantResult;

// What one frame cost. CPU times are the main thread's own CPU time, so
// other processes on the machine do not inflate them, except for the
// process's, which adds the driver's threads; the wall time runs from the
// frame's start until glFinish has returned after the swap.
struct FrameCost {
    double updateCpuMs = 0.0;
    double shadowSubmitCpuMs = 0.0;
    double mainSubmitCpuMs = 0.0;
    double shadowGpuMs = 0.0;
    double mainGpuMs = 0.0;
    double wallMs = 0.0;
    // The CPU time of all the process's threads over the whole frame.
    double processCpuMs = 0.0;
    std::uint64_t allocations = 0;
};

// Drives frames of any variant with a fixed step and measures them.
class FrameDriver {
public:
    explicit FrameDriver(double deltaSeconds);
    ~FrameDriver();
    FrameDriver(const FrameDriver&) = delete;
    FrameDriver& operator=(const FrameDriver&) = delete;

    // One whole frame: update, shadow pass, main pass, swap, glFinish.
    FrameCost run(FrameVariant& variant);
    // Rounds of one frame of each variant, so that a change in the
    // machine's load hits all of them alike. Each round starts with the next
    // variant, so none always follows the same one. The frames after the
    // warm-up rounds go to the result at the variant's index.
    void runInterleaved(const std::vector<FrameVariant*>& variants, int warmUpRounds, int measuredRounds,
                        std::vector<VariantResult>& results);
    // The same frame without swapping, so the caller can read the back
    // buffer and the cube map; present() finishes it.
    void draw(FrameVariant& variant);
    void present();

private:
    double deltaSeconds;
    GpuTimer shadowTimer;
    GpuTimer mainTimer;
};

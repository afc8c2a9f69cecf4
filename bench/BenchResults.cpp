#include "BenchResults.h"

#include "FrameDriver.h"

VariantResult::VariantResult(std::string name, std::size_t frames)
    : name(std::move(name)), updateCpuMs(frames), submitCpuMs(frames), shadowSubmitCpuMs(frames),
      shadowGpuMs(frames), mainGpuMs(frames), wallMs(frames), processCpuMs(frames)
{
}

void VariantResult::add(const FrameCost& cost)
{
    updateCpuMs.add(cost.updateCpuMs);
    submitCpuMs.add(cost.shadowSubmitCpuMs + cost.mainSubmitCpuMs);
    shadowSubmitCpuMs.add(cost.shadowSubmitCpuMs);
    shadowGpuMs.add(cost.shadowGpuMs);
    mainGpuMs.add(cost.mainGpuMs);
    wallMs.add(cost.wallMs);
    processCpuMs.add(cost.processCpuMs);
    allocations += cost.allocations;
}

double VariantResult::allocationsPerFrame() const
{
    return wallMs.size() > 0 ? static_cast<double>(allocations) / static_cast<double>(wallMs.size()) : 0.0;
}

namespace {

const VariantResult* findVariant(const std::vector<VariantResult>& variants, const std::string& name)
{
    for (const VariantResult& result : variants) {
        if (result.name == name) {
            return &result;
        }
    }
    return nullptr;
}

} // namespace

bool CheckResult::passed() const
{
    return difference.totalValues > 0 && difference.largest <= tolerance &&
           difference.coveredShare >= leastCoveredShare && difference.pixelsOff <= mostPixelsOff;
}

const VariantResult* MomentResult::variant(const std::string& name) const
{
    return findVariant(variants, name);
}

const VariantResult* BenchResults::variant(const std::string& name) const
{
    return findVariant(variants, name);
}

bool BenchResults::allChecksPassed() const
{
    if (checks.empty()) {
        return false;
    }
    for (const CheckResult& check : checks) {
        if (!check.passed()) {
            return false;
        }
    }
    return true;
}

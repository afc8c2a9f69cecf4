#include "AllocationCounter.h"

#include <atomic>

namespace {

// Driver threads may allocate too (the shader compiler is C++), so the
// tally is atomic; relaxed order is enough for a count read between frames.
std::atomic<std::uint64_t> allocations{0};

} // namespace

void AllocationCounter::record()
{
    allocations.fetch_add(1, std::memory_order_relaxed);
}

std::uint64_t AllocationCounter::count()
{
    return allocations.load(std::memory_order_relaxed);
}

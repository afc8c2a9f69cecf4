#pragma once

#include <cstdint>

// Tallies C++ heap allocations. Only the benchmark executable replaces the
// global operator new to feed it (CountingNew.cpp), so the library and the
// renderer are built exactly as they ship; elsewhere the tally stays 0.
class AllocationCounter {
public:
    // Called by the replaced operator new, from any thread.
    static void record();
    // Allocations recorded since the process started.
    static std::uint64_t count();
};

#pragma once

// The process's resident memory as the kernel accounts it.
class ProcessMemory {
public:
    // The peak resident set size so far (VmHWM) in MiB; 0 when unknown.
    static double peakResidentMiB();
};

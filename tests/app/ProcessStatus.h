#pragma once

#include <sys/types.h>

// Readings of a running process from /proc; -1 when the process is gone.

// The resident set in KiB (VmRSS).
long residentKibibytes(pid_t pid);
// The processor time used so far, user and system, in clock ticks.
long long processorTicks(pid_t pid);

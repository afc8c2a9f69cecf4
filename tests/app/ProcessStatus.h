#pragma once

#include <sys/types.h>

// Readings of a running process from /proc; -1 when the process is gone.

// The resident set in KiB (VmRSS).
long residentKibibytes(pid_t pid);
// The processor time used so far, user and system, in clock ticks.
long long processorTicks(pid_t pid);

#if defined(__SANITIZE_ADDRESS__)
#define GLIMMERHALL_UNDER_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GLIMMERHALL_UNDER_ADDRESS_SANITIZER 1
#endif
#endif

// How far the resident set of a long run may rise above a reading taken
// after its first frames: allocator noise. AddressSanitizer keeps freed
// blocks resident in its quarantine (256 MiB unless ASAN_OPTIONS says
// otherwise) and finds leaks itself at exit, so there the bound only
// catches runaway growth.
#ifdef GLIMMERHALL_UNDER_ADDRESS_SANITIZER
constexpr long residentGrowthToleranceKibibytes = (256 + 64) * 1024;
#else
constexpr long residentGrowthToleranceKibibytes = 4 * 1024;
#endif

#pragma once
// Process resource counters for leak checks: open descriptors, threads, resident memory.

struct TResourceCounts {
    int fds = 0;
    int threads = 0;
    bool operator==(const TResourceCounts&) const = default;
};

TResourceCounts CountResources();
// Finished helper threads may take a moment to vanish: waits (bounded) until the counts are
// back at `baseline` and returns the last counts seen.
TResourceCounts SettledResources(const TResourceCounts& baseline, int timeoutMs = 2000);
// VmRSS of this process in KiB.
long ResidentKiB();

#include "tests/support/FaultProbe.h"

#ifdef _WIN32
#include <windows.h>
// windows.h first: these need its types.
#include <psapi.h>
#include <tlhelp32.h>
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

#if defined(__SANITIZE_THREAD__)
// ThreadSanitizer starts one background thread of its own at a time of its choosing.
constexpr int kRuntimeThreads = 1;
#else
constexpr int kRuntimeThreads = 0;
#endif

// Fewer threads than at the start is no leak: a helper an earlier test abandoned has ended.
bool Within(const TResourceCounts& now, const TResourceCounts& baseline) {
    return now.fds == baseline.fds && now.threads <= baseline.threads + kRuntimeThreads;
}

} // namespace

#ifdef _WIN32

namespace {

int OwnThreads() {
    const HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot, &entry); more;
         more = ::Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == ::GetCurrentProcessId())
            ++count;
    ::CloseHandle(snapshot);
    return count;
}

} // namespace

TResourceCounts CountResources() {
    DWORD handles = 0;
    ::GetProcessHandleCount(::GetCurrentProcess(), &handles);
    return {static_cast<int>(handles), OwnThreads()};
}

long ResidentKiB() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!::K32GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters))
        return -1;
    return static_cast<long>(counters.WorkingSetSize / 1024);
}

#else

namespace {

int Entries(const char* directory) {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(directory))
        ++count;
    return count;
}

} // namespace

TResourceCounts CountResources() {
    return {Entries("/proc/self/fd"), Entries("/proc/self/task")};
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

#endif

TResourceCounts SettledResources(const TResourceCounts& baseline, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    TResourceCounts now = CountResources();
    while (!Within(now, baseline) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        now = CountResources();
    }
    return Within(now, baseline) ? baseline : now;
}

#include "tests/support/ChildProcess.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

std::filesystem::path OwnExecutable() {
#ifdef _WIN32
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
#else
    return std::filesystem::read_symlink("/proc/self/exe");
#endif
}

TCommandRun RunCommand(const std::string& command) {
#ifdef _WIN32
    // The command interpreter strips one pair of outer quotes.
    std::FILE* pipe = ::_popen(("\"" + command + "\"").c_str(), "rb");
#else
    std::FILE* pipe = ::popen(command.c_str(), "r");
#endif
    TCommandRun run;
    if (!pipe)
        return run;
    char data[4096];
    for (std::size_t n; (n = std::fread(data, 1, sizeof data, pipe)) > 0;)
        run.output.append(data, n);
#ifdef _WIN32
    run.status = ::_pclose(pipe);
#else
    const int status = ::pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    return run;
}

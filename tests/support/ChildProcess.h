#pragma once
// Runs another program of the build from a test, through the shell.

#include <filesystem>
#include <string>

struct TCommandRun {
    int status = -1;    // the exit status; -1 when the program did not end normally
    std::string output; // what it wrote on its standard output
};

TCommandRun RunCommand(const std::string& command);
// The path of the running test executable.
std::filesystem::path OwnExecutable();

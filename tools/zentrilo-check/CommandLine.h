#pragma once
// The command line of zentrilo-check: its usage text and what is wrong with a given one.

#include <string>

enum class TCheckMode { Help, Fetch, FetchStream, Presence, Source, Sources };

struct TCheckCommand {
    TCheckMode mode = TCheckMode::Help;
    std::string url;     // Fetch and FetchStream
    std::string problem; // what is wrong with the arguments; empty when nothing is
};

// `presence`: whether this build has the presence queries.
TCheckCommand ParseCommandLine(int argc, char** argv, bool presence);
std::string UsageText(bool presence);

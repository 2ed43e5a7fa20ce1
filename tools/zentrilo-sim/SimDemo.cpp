#include "tools/zentrilo-sim/SimDemo.h"

#include "tools/zentrilo-sim/SimResponder.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

bool WriteWhole(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".flip";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!(out << text) || !out.flush())
            return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

} // namespace

TSimDemo::TSimDemo(unsigned seed, int minPeriodMs, int maxPeriodMs)
    : random_(seed), minPeriodMs_(minPeriodMs), maxPeriodMs_(maxPeriodMs) {}

int TSimDemo::NextDelayMs() {
    return std::uniform_int_distribution<int>(minPeriodMs_, maxPeriodMs_)(random_);
}

std::string TSimDemo::Flip(const std::string& stateText, std::string& flipped) {
    flipped.clear();
    std::vector<std::string> lines;
    std::vector<std::size_t> idLines;
    std::istringstream in(stateText);
    for (std::string line; std::getline(in, line);) {
        if (!ParseStates(line).empty())
            idLines.push_back(lines.size());
        lines.push_back(line);
    }
    if (idLines.empty())
        return stateText;
    const std::size_t chosen =
        idLines[std::uniform_int_distribution<std::size_t>(0, idLines.size() - 1)(random_)];
    const auto [id, state] = *ParseStates(lines[chosen]).begin();
    flipped = id + (IsOnlineState(state) ? " offline" : " online");
    lines[chosen] = flipped;
    std::string text;
    for (const std::string& line : lines)
        text += line + '\n';
    return text;
}

bool FlipStateFile(const std::string& path, TSimDemo& demo, std::string& flipped) {
    std::string text;
    if (!ReadWholeFile(path, text))
        return false;
    const std::string changed = demo.Flip(text, flipped);
    return flipped.empty() || WriteWhole(path, changed);
}

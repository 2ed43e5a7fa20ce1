#pragma once
// The simulator's demo: now and then one ID of the state file changes between online and
// offline, written to the file itself, so that the program, the person watching and a test all
// read the same state.

#include <random>
#include <string>

class TSimDemo {
public:
    // Flips come every `minPeriodMs` to `maxPeriodMs` (chosen anew each time); `seed` fixes the
    // choices.
    TSimDemo(unsigned seed, int minPeriodMs, int maxPeriodMs);

    int NextDelayMs();

    // The state text with one of its IDs, chosen at random, changed: online or in-game to
    // offline, anything else to online. Other lines stay as they were. `flipped` gets the new
    // "id status" line, empty when the text names no ID (it then comes back unchanged).
    std::string Flip(const std::string& stateText, std::string& flipped);

private:
    std::mt19937 random_;
    int minPeriodMs_;
    int maxPeriodMs_;
};

// Flips one ID of the state file at `path`, replacing the file whole (a new file renamed into
// place). False when it cannot be read or written; `flipped` as above.
bool FlipStateFile(const std::string& path, TSimDemo& demo, std::string& flipped);

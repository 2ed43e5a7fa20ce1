#pragma once
// Small recording fakes for the monitor tests: the shell's, a presence fetcher and a language
// scope.

#include "monitor/Presence.h"
#include "tests/app/ShellFakes.h"

#include <string>
#include <vector>

// Installs itself as the presence fetcher; answers every URL with `reply` (or fails).
class TFakeFetcher {
public:
    TFakeFetcher();
    ~TFakeFetcher();

    std::vector<std::string> urls;
    bool ok = true;
    std::u16string reply;
};

// Sets the UI language for one scope.
class TLanguageScope {
public:
    explicit TLanguageScope(bool english);
    ~TLanguageScope();

private:
    bool saved_;
};

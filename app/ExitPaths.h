#pragma once
// Every way the outside ends the program, wired to the main window as the program runs it: the
// end of the session by a signal, the session manager's save request (which saves, since the
// user may still cancel the logout), the exit line of a later start, and the accepted close
// that ends the message loop.

#include "app/platform/PlatformLayers.h"

#include <functional>

class TzentriloMF;

class TExitPaths {
public:
    // Catches the end of the session from now on; it waits, unanswered, until Arm.
    TExitPaths(TzentriloMF& window, std::function<void()> endLoop);
    ~TExitPaths();
    TExitPaths(const TExitPaths&) = delete;
    TExitPaths& operator=(const TExitPaths&) = delete;

    // Once the window is up: the exit line of `instance` (none: no exit line) and the end of
    // the session act from the message loop.
    void Arm(TSingleInstance* instance);
    TPlatformSession& Session() { return session_; }

private:
    TzentriloMF& window_;
    TPlatformSession session_;
    TSingleInstance* instance_ = nullptr;
};

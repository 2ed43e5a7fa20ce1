#pragma once
// The end of the Windows session: WM_QUERYENDSESSION asks whether the session may end, which
// saves (the user or another program may still cancel the logoff), and WM_ENDSESSION tells
// whether it really ends. A cancelled end (WM_ENDSESSION with FALSE) leaves the program
// running. Both arrive at a hidden top-level window of the program's own, on the main thread.

#include "app/platform/MessageWindow.h"

#include <functional>

class TSessionMessages {
public:
    // Not `armed`, a real end of the session is noted but waits, unanswered, until Arm(): the
    // program can be half-way through its start when it comes.
    explicit TSessionMessages(std::function<void()> onSessionEnd, bool armed = true);

    void Arm();

    // The query lands here; it runs OnSaveRequest, armed or not, and lets the session end.
    void SaveRequest();
    std::function<void()> OnSaveRequest;

    // What the window does with one message; true when it was one of the session's.
    bool Handle(UINT message, WPARAM wParam, LRESULT& result);

private:
    void EndSession();

    std::function<void()> onSessionEnd_;
    bool armed_;
    bool endPending_ = false;
    bool ended_ = false;
    TMessageWindow window_;
};

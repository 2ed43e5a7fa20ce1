#pragma once
// The single-instance rule and the exit message on Windows. The running program owns a hidden
// top-level window of class "TzentriloMF": a second start that finds a window of that class ends
// at once, and the message WM_USER + 3 sent or posted to it ends the running program.

#include "app/platform/MessageWindow.h"

#include <functional>
#include <memory>

class TSingleInstance {
public:
    enum TClaim { clListening, clOtherInstance, clFailed };

    static constexpr const wchar_t* WindowClass = L"TzentriloMF";
    static constexpr UINT ExitMessage = WM_USER + 3;

    TSingleInstance();
    ~TSingleInstance();
    TSingleInstance(const TSingleInstance&) = delete;
    TSingleInstance& operator=(const TSingleInstance&) = delete;

    // True exactly when a top-level window of the class exists, whatever its caption. Needs no
    // Qt application object, so the entry can ask before creating one.
    bool AlreadyRunning() const;

    // Takes the per-session mutex and makes the window. clOtherInstance when another start
    // holds the mutex or owns a window of the class.
    TClaim Listen();

    // Called on the main thread for every exit message received.
    std::function<void()> OnExitRequest;

private:
    HANDLE mutex_ = nullptr;
    std::unique_ptr<TMessageWindow> window_;
};

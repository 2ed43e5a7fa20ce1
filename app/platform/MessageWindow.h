#pragma once
// A hidden top-level window of a class the program registers, whose messages go to a handler on
// the thread that made it. Other processes find it with FindWindow by its class name, and the
// system sends it what it sends every top-level window (the end of the session among them).

#include <windows.h>

#include <functional>
#include <string>

class TMessageWindow {
public:
    // Answers one message: true with `result` set when handled, false for the default handling.
    using THandler =
        std::function<bool(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)>;

    TMessageWindow(const std::wstring& className, THandler handler);
    ~TMessageWindow();
    TMessageWindow(const TMessageWindow&) = delete;
    TMessageWindow& operator=(const TMessageWindow&) = delete;

    // Null when the window could not be made.
    HWND Handle() const { return window_; }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::wstring className_;
    THandler handler_;
    HWND window_ = nullptr;
};

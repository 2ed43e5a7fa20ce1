#include "app/platform/MessageWindow.h"

TMessageWindow::TMessageWindow(const std::wstring& className, THandler handler)
    : className_(className), handler_(std::move(handler)) {
    const HINSTANCE module = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &TMessageWindow::Procedure;
    windowClass.hInstance = module;
    windowClass.lpszClassName = className_.c_str();
    // A second window of the class in this process finds it registered already.
    if (::RegisterClassExW(&windowClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return;
    // Top-level, never shown: message-only windows are neither found nor told of the session.
    window_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, className_.c_str(), L"Zentrilo", WS_POPUP, 0, 0,
                                0, 0, nullptr, nullptr, module, nullptr);
    if (window_ != nullptr)
        ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TMessageWindow::~TMessageWindow() {
    if (window_ == nullptr)
        return;
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    ::DestroyWindow(window_);
}

LRESULT CALLBACK TMessageWindow::Procedure(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    auto* self = reinterpret_cast<TMessageWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    LRESULT result = 0;
    if (self != nullptr && self->handler_ && self->handler_(message, wParam, lParam, result))
        return result;
    return ::DefWindowProcW(window, message, wParam, lParam);
}

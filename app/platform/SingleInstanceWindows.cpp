#include "app/platform/SingleInstanceWindows.h"

TSingleInstance::TSingleInstance() = default;

TSingleInstance::~TSingleInstance() {
    window_.reset();
    if (mutex_ != nullptr)
        ::CloseHandle(mutex_);
}

bool TSingleInstance::AlreadyRunning() const {
    return ::FindWindowW(WindowClass, nullptr) != nullptr;
}

TSingleInstance::TClaim TSingleInstance::Listen() {
    // Two starts at the same moment both miss the window; the mutex lets only one through.
    mutex_ = ::CreateMutexW(nullptr, FALSE, L"Local\\TzentriloMF");
    if (mutex_ == nullptr)
        return clFailed;
    if (::GetLastError() == ERROR_ALREADY_EXISTS || AlreadyRunning())
        return clOtherInstance;
    window_ = std::make_unique<TMessageWindow>(
        WindowClass, [this](UINT message, WPARAM, LPARAM, LRESULT& result) {
            if (message != ExitMessage)
                return false;
            if (OnExitRequest)
                OnExitRequest();
            result = 0;
            return true;
        });
    return window_->Handle() != nullptr ? clListening : clFailed;
}

#include "app/platform/SessionMessages.h"

TSessionMessages::TSessionMessages(std::function<void()> onSessionEnd, bool armed)
    : onSessionEnd_(std::move(onSessionEnd)), armed_(armed),
      window_(L"ZentriloSession", [this](UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
          return Handle(message, wParam, result);
      }) {}

void TSessionMessages::Arm() {
    armed_ = true;
    if (endPending_)
        EndSession();
}

void TSessionMessages::SaveRequest() {
    if (OnSaveRequest)
        OnSaveRequest();
}

bool TSessionMessages::Handle(UINT message, WPARAM wParam, LRESULT& result) {
    switch (message) {
    case WM_QUERYENDSESSION:
        SaveRequest();
        result = TRUE;
        return true;
    case WM_ENDSESSION:
        // Windows may end the process as soon as this returns: the exit runs before that.
        if (wParam != FALSE)
            EndSession();
        result = 0;
        return true;
    default:
        return false;
    }
}

void TSessionMessages::EndSession() {
    if (!armed_) {
        endPending_ = true;
        return;
    }
    endPending_ = false;
    if (ended_)
        return;
    ended_ = true;
    onSessionEnd_();
}

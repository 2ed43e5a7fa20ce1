#include "app/ExitPaths.h"

#include "app/frmMain.h"
#include "app/platform/CloseWatcher.h"

TExitPaths::TExitPaths(TzentriloMF& window, std::function<void()> endLoop)
    : window_(window), session_([this] { window_.WMEndSession(); }, false) {
    session_.OnSaveRequest = [this] { window_.WMQueryEndSession(); };
    new TCloseWatcher(&window, std::move(endLoop)); // a child of the window, freed with it
}

TExitPaths::~TExitPaths() {
    if (instance_ != nullptr)
        instance_->OnExitRequest = nullptr;
}

void TExitPaths::Arm(TSingleInstance* instance) {
    instance_ = instance;
    if (instance_ != nullptr)
        instance_->OnExitRequest = [this] { window_.WMUserExit(); };
    session_.Arm();
}

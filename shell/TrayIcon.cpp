#include "shell/TrayIcon.h"

TTrayIcon::TTrayIcon(std::unique_ptr<ITrayBackend> backend) : backend_(std::move(backend)) {
    // The handler is looked up at the time of the click, not when the balloon was shown.
    backend_->clicked = [this] {
        if (OnClick)
            OnClick();
    };
    backend_->balloonClicked = [this] {
        if (OnBalloonClick)
            OnBalloonClick();
    };
}

void TTrayIcon::SetVisible(bool visible) {
    visible_ = visible;
    backend_->SetVisible(visible);
}

void TTrayIcon::SetHint(const QString& hint) {
    hint_ = hint;
    backend_->SetHint(hint.left(HintLimit));
}

void TTrayIcon::SetIcon(const QIcon& icon) {
    backend_->SetIcon(icon);
}

void TTrayIcon::SetPopupMenu(QMenu* menu) {
    backend_->SetMenu(menu);
}

void TTrayIcon::ShowBalloon() {
    backend_->ShowBalloon(BalloonTitle.left(BalloonTitleLimit), BalloonHint.left(BalloonHintLimit),
                          BalloonFlags, BalloonTimeout);
}

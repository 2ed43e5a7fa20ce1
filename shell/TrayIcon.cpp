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
    ShowToolTip();
}

void TTrayIcon::SetStateLines(const QStringList& lines) {
    if (lines == stateLines_)
        return; // most results change nothing the tooltip says
    stateLines_ = lines;
    ShowToolTip();
}

QString TTrayIcon::ToolTip() const {
    return (QStringList{hint_.left(HintLimit)} + stateLines_).join(QLatin1Char('\n'));
}

void TTrayIcon::ShowToolTip() {
    backend_->SetHint(ToolTip());
}

void TTrayIcon::ShowBalloon() {
    backend_->ShowBalloon(BalloonTitle.left(BalloonTitleLimit), BalloonHint.left(BalloonHintLimit),
                          BalloonFlags, BalloonTimeout);
}

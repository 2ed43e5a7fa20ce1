#include "app/platform/CloseWatcher.h"

#include <QEvent>

TCloseWatcher::TCloseWatcher(QObject* window, std::function<void()> onClosed)
    : QObject(window), window_(window), onClosed_(std::move(onClosed)) {
    window_->installEventFilter(this);
}

bool TCloseWatcher::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_ || event->type() != QEvent::Close || delivering_)
        return false;
    // Let the window decide first; only its verdict tells a real close from a hide to the tray.
    delivering_ = true;
    window_->event(event);
    delivering_ = false;
    if (event->isAccepted() && onClosed_)
        onClosed_();
    return true;
}

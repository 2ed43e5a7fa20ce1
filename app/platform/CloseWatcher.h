#pragma once
// Tells when a window's close was accepted. The application does not quit when its last window
// closes (hiding to the tray must not end it), so the entry ends the loop on this instead.

#include <QObject>

#include <functional>

class TCloseWatcher : public QObject {
    Q_OBJECT
public:
    TCloseWatcher(QObject* window, std::function<void()> onClosed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QObject* window_;
    std::function<void()> onClosed_;
    bool delivering_ = false;
};

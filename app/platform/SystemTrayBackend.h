#pragma once
// The tray icon on the Linux desktop: the icon, its hint and its menu through QSystemTrayIcon;
// balloons as desktop notifications, each its own with its own click action, or where no
// notification service takes them, the program's own balloons stacked beside the icon, each
// with its own click action (a balloon without one has the icon's balloon click).

#include "app/platform/BalloonStack.h"
#include "app/platform/DesktopNotifications.h"
#include "app/platform/DesktopTray.h"

#include <QObject>
#include <QSystemTrayIcon>

#include <memory>

class TSystemTrayBackend : public QObject, public IDesktopTray {
    Q_OBJECT
public:
    explicit TSystemTrayBackend(std::unique_ptr<TDesktopNotifications> notifications =
                                    std::make_unique<TDesktopNotifications>(),
                                QObject* parent = nullptr);

    void SetVisible(bool visible) override;
    void SetHint(const QString& hint) override;
    void SetIcon(const QIcon& icon) override;
    void SetMenu(QMenu* menu) override;
    void SetSound(bool on) override;
    void ShowBalloon(const QString& title, const QString& text, TBalloonFlags flags,
                     int timeoutMs) override;
    void SetBalloonCategory(const QString& category) override { category_ = category; }
    void SetBalloonAction(std::function<void()> action) override { action_ = std::move(action); }

    QSystemTrayIcon& Icon() { return icon_; }
    TBalloonStack& Balloons() { return balloons_; }

    // How long the program's own balloon of a change stays (the desktop's notifications take
    // their own time); shorter notices keep theirs.
    static constexpr int kOwnBalloonMs = 10000;
    static constexpr int kStatusBalloonMs = 5000;

    // At a login start the panel may appear after the program: waits up to `maxMs` for a tray
    // host (an XEmbed tray or a StatusNotifierWatcher on the session bus). True when one is
    // there.
    static bool WaitForTrayHost(int maxMs);

private:
    void ShowOwnBalloon(const QString& title, const QString& text, TBalloonFlags flags,
                        int timeoutMs, std::function<void()> action);

    QSystemTrayIcon icon_;
    TBalloonStack balloons_;
    std::unique_ptr<TDesktopNotifications> notifications_;
    QString category_;
    std::function<void()> action_;
};

#pragma once
// The tray icon on Windows: the icon, its hint, its menu and its balloons through
// QSystemTrayIcon, which speaks Shell_NotifyIconW. The shell shows one balloon at a time, each
// replacing the one before, and a click on it is the icon's balloon click.

#include "app/platform/DesktopTray.h"

#include <QObject>
#include <QSystemTrayIcon>

class TNativeTrayBackend : public QObject, public IDesktopTray {
    Q_OBJECT
public:
    explicit TNativeTrayBackend(QObject* parent = nullptr);

    void SetVisible(bool visible) override;
    void SetHint(const QString& hint) override;
    void SetIcon(const QIcon& icon) override;
    void SetMenu(QMenu* menu) override;
    // The shell decides whether its balloons sound; there is no hint to pass.
    void SetSound(bool /*on*/) override {}
    void ShowBalloon(const QString& title, const QString& text, TBalloonFlags flags,
                     int timeoutMs) override;

    QSystemTrayIcon& Icon() { return icon_; }

    // The shell's notification area is there from the logon on; true when Qt reaches it.
    static bool WaitForTrayHost(int maxMs);

private:
    QSystemTrayIcon icon_;
};

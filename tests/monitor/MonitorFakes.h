#pragma once
// Small recording fakes for the monitor tests: tray backend, message boxes, shell launcher and
// presence fetcher.

#include "app/TrayIcon.h"
#include "app/uDialogs.h"
#include "monitor/Presence.h"

#include <QString>

#include <deque>
#include <string>
#include <vector>

struct TShownBalloon {
    QString title;
    QString text;
    TBalloonFlags flags;
    int timeoutMs;
    QString category;
};

class TRecordingTrayBackend : public ITrayBackend {
public:
    void SetVisible(bool) override {}
    void SetHint(const QString&) override {}
    void SetIcon(const QIcon&) override {}
    void SetMenu(QMenu*) override {}
    void ShowBalloon(const QString& title, const QString& text, TBalloonFlags flags,
                     int timeoutMs) override;
    void SetBalloonCategory(const QString& category) override { category_ = category; }

    std::vector<TShownBalloon> balloons;

private:
    QString category_;
};

struct TShownBox {
    TMessageKind kind;
    QString caption;
    QString text;
};

// Records every box; question boxes answer from `answers` (IDNO when it runs out).
class TFakeMessageBoxes : public IMessageBoxes {
public:
    TFakeMessageBoxes() { InstallMessageBoxes(this); }
    ~TFakeMessageBoxes() override { InstallMessageBoxes(nullptr); }
    int Show(TMessageKind kind, const QString& caption, const QString& text,
             bool defaultYes) override;

    std::vector<TShownBox> shown;
    std::deque<int> answers;
};

class TFakeShellLauncher : public IShellLauncher {
public:
    TFakeShellLauncher() { InstallShellLauncher(this); }
    ~TFakeShellLauncher() override { InstallShellLauncher(nullptr); }
    bool Open(const QString& target, QString& reason) override;

    std::vector<QString> opened;
    bool succeed = true;
};

// Installs itself as the presence fetcher; answers every URL with `reply` (or fails).
class TFakeFetcher {
public:
    TFakeFetcher();
    ~TFakeFetcher();

    std::vector<std::string> urls;
    bool ok = true;
    std::u16string reply;
};

// Sets the UI language for one scope.
class TLanguageScope {
public:
    explicit TLanguageScope(bool english);
    ~TLanguageScope();

private:
    bool saved_;
};

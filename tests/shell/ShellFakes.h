#pragma once
// Recording fakes of the shell's seams: message boxes, shell launcher and tray backend. The
// boxes and the launcher install themselves for their lifetime; so does a language scope.

#include "shell/Language.h"
#include "shell/TrayIcon.h"
#include "shell/uDialogs.h"

#include <QString>

#include <deque>
#include <functional>
#include <utility>
#include <vector>

struct TShownBox {
    TMessageKind kind;
    QString caption;
    QString text;
    bool defaultYes;
};

// Records every box; question boxes answer from `answers`, then with `otherwise`.
class TFakeMessageBoxes : public IMessageBoxes {
public:
    TFakeMessageBoxes() { InstallMessageBoxes(this); }
    ~TFakeMessageBoxes() override { InstallMessageBoxes(nullptr); }
    TFakeMessageBoxes(const TFakeMessageBoxes&) = delete;
    TFakeMessageBoxes& operator=(const TFakeMessageBoxes&) = delete;

    int Show(TMessageKind kind, const QString& caption, const QString& text,
             bool defaultYes) override {
        shown.push_back({kind, caption, text, defaultYes});
        if (answers.empty())
            return otherwise;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<TShownBox> shown;
    std::deque<int> answers;
    int otherwise = IDNO;
};

// Records every target; fails at once with "no handler" while `succeed` is false. With `late`
// it keeps each failure callback in `pending`, as a launcher does whose opener still runs.
class TFakeShellLauncher : public IShellLauncher {
public:
    TFakeShellLauncher() { InstallShellLauncher(this); }
    ~TFakeShellLauncher() override { InstallShellLauncher(nullptr); }
    TFakeShellLauncher(const TFakeShellLauncher&) = delete;
    TFakeShellLauncher& operator=(const TFakeShellLauncher&) = delete;

    void Open(const QString& target, TOpenFailure onFailure) override {
        opened.push_back(target);
        if (late)
            pending.push_back(std::move(onFailure));
        else if (!succeed)
            onFailure(QStringLiteral("no handler"));
    }

    std::vector<QString> opened;
    bool succeed = true;
    bool late = false;
    std::vector<TOpenFailure> pending;
};

struct TShownBalloon {
    QString title;
    QString text;
    TBalloonFlags flags;
    int timeoutMs;
    QString category;
    bool clickable;               // `clickableProbe` said so when it was shown
    std::function<void()> action; // the balloon's own click action, if any
};

// Records what the icon's model sends; `Base` is ITrayBackend or an interface built on it.
template <class Base> class TRecordingTrayOf : public Base {
public:
    void SetVisible(bool visible) override { this->visible = visible; }
    void SetHint(const QString& hint) override { this->hint = hint; }
    void ShowBalloon(const QString& title, const QString& text, TBalloonFlags flags,
                     int timeoutMs) override {
        balloons.push_back({title, text, flags, timeoutMs, category_,
                            clickableProbe && clickableProbe(), std::exchange(action_, nullptr)});
        category_.clear();
    }
    void SetBalloonCategory(const QString& category) override { category_ = category; }
    void SetBalloonAction(std::function<void()> action) override { action_ = std::move(action); }

    bool visible = false;
    QString hint;
    std::vector<TShownBalloon> balloons;
    std::function<bool()> clickableProbe;

private:
    QString category_;
    std::function<void()> action_;
};
using TRecordingTrayBackend = TRecordingTrayOf<ITrayBackend>;

// Sets the UI language for one scope.
class TLanguageScope {
public:
    explicit TLanguageScope(bool english) : saved_(UseEnglish) { UseEnglish = english; }
    ~TLanguageScope() { UseEnglish = saved_; }
    TLanguageScope(const TLanguageScope&) = delete;
    TLanguageScope& operator=(const TLanguageScope&) = delete;

private:
    bool saved_;
};

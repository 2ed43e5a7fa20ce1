#pragma once
// The notification-area icon with its balloon. `TTrayIcon` keeps the properties and events;
// a backend puts them on the desktop (the system tray and desktop notifications in the
// program, a recorder in tests). The icon's picture and menu are the window's business: they
// are Gui types, which stay out of every layer below the windows.

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

enum TBalloonFlags { bfNone, bfInfo, bfWarning, bfError };

class ITrayBackend {
public:
    virtual ~ITrayBackend() = default;
    virtual void SetVisible(bool visible) = 0;
    // One line or several; plain text, never markup.
    virtual void SetHint(const QString& hint) = 0;
    // Title and text are already cut to what the desktop shows.
    virtual void ShowBalloon(const QString& title, const QString& text, TBalloonFlags flags,
                             int timeoutMs) = 0;
    // The kind of the next balloon for the desktop ("presence.online", "presence.offline",
    // empty for none); it applies to the next ShowBalloon only.
    virtual void SetBalloonCategory(const QString& /*category*/) {}
    // What a click on the next balloon does where every balloon stays its own (desktop
    // notifications); empty: the balloon offers no click. It applies to the next ShowBalloon
    // only. Where each balloon replaces the one before, the icon's OnBalloonClick decides.
    virtual void SetBalloonAction(std::function<void()> /*action*/) {}
    // Wired by TTrayIcon: the backend calls these when the user acts.
    std::function<void()> clicked;
    std::function<void()> balloonClicked;
};

class TTrayIcon {
public:
    static constexpr int HintLimit = 127;
    static constexpr int BalloonTitleLimit = 63;
    static constexpr int BalloonHintLimit = 255;

    explicit TTrayIcon(std::unique_ptr<ITrayBackend> backend);

    void SetVisible(bool visible);
    bool Visible() const { return visible_; }
    // The first line, cut to HintLimit as the desktop of old showed it.
    void SetHint(const QString& hint);
    const QString& Hint() const { return hint_; }
    // Lines under the hint that say how things stand; none: the hint alone.
    void SetStateLines(const QStringList& lines);
    // What the desktop shows: the cut hint and the state lines.
    QString ToolTip() const;

    QString BalloonTitle;
    QString BalloonHint;
    int BalloonTimeout = 5000;
    TBalloonFlags BalloonFlags = bfInfo;
    std::function<void()> OnClick;
    std::function<void()> OnBalloonClick; // may be empty: a click then does nothing

    void ShowBalloon();
    ITrayBackend& Backend() { return *backend_; }

private:
    std::unique_ptr<ITrayBackend> backend_;
    void ShowToolTip();

    bool visible_ = false;
    QString hint_;
    QStringList stateLines_;
};

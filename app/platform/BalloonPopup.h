#pragma once
// The program's own balloon beside the tray icon, where no desktop notification service takes
// the notifications. It stands next to the icon, never over it, so that a click meant for the
// icon reaches the icon; several stand one beyond the other (see TBalloonStack).

#include <QFrame>
#include <QTimer>

#include <functional>

class QLabel;

class TBalloonPopup : public QFrame {
    Q_OBJECT
public:
    explicit TBalloonPopup(QWidget* parent = nullptr);

    // Where the tray icon is now (global coordinates; empty when unknown). The icon may find
    // its place in the panel only after the balloon was shown, so the balloon follows it.
    using TIconArea = std::function<QRect()>;

    // Shows the balloon beside the icon for about `timeoutMs`, longer while the pointer rests
    // on it. Nothing shows without title and text.
    void ShowBalloon(const QString& title, const QString& text, const QIcon& icon, int timeoutMs,
                     TIconArea iconArea);

    // The balloon was clicked (it is gone by then).
    std::function<void()> OnClick;
    // The balloon went: its time was up or it was clicked.
    std::function<void()> OnGone;
    // Whether the pointer rests on a balloon beside it; such a rest keeps this one too.
    std::function<bool()> RestingOnOthers;

    // How far beyond the place next to the icon it stands (pixels away from the icon).
    void SetStackOffset(int pixels);
    // Whether balloons beside the icon go up from it (the icon is in the lower half or unknown).
    static bool GrowsUpward(const QRect& iconArea);

    // Where a balloon of `size` goes on `screen`: on the free side of the icon (below one in the
    // upper half of the screen, above one in the lower half), its right edge in line with the
    // icon's and inside the screen; in the bottom-right corner when the icon's place is unknown.
    static QPoint Place(const QRect& iconArea, const QSize& size, const QRect& screen);

protected:
    void mousePressEvent(QMouseEvent* event) override;

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void TimeUp();
    void FollowIcon();

    QLabel* picture_;
    QLabel* title_;
    QLabel* text_;
    QTimer timeout_;
    QTimer follow_;
    TIconArea iconArea_;
    int stackOffset_ = 0;
};

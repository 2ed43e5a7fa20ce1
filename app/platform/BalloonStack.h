#pragma once
// The program's own balloons beside the tray icon, one per notification, so that changes found
// together are all seen: newer ones above older ones, at most kMaxShown at once. One more folds
// the oldest into a line ("and 3 more changes…") whose click opens the list of recent changes.
// While the pointer rests on any of them, none goes.

#include "app/platform/BalloonPopup.h"

#include <QObject>

#include <deque>
#include <functional>

class TBalloonStack : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxShown = 5;
    static constexpr int kGap = 4;

    explicit TBalloonStack(QObject* parent = nullptr);
    ~TBalloonStack() override;

    // A new balloon on top; a click on it runs `onClick` (when set) for this balloon alone.
    void Show(const QString& title, const QString& text, const QIcon& icon, int timeoutMs,
              TBalloonPopup::TIconArea iconArea, std::function<void()> onClick);

    // The folded line was clicked.
    std::function<void()> OnMore;

    // The balloons on screen, oldest first, and the line that stands for those folded away.
    const std::deque<TBalloonPopup*>& Shown() const { return shown_; }
    TBalloonPopup& FoldedLine() { return folded_; }
    int Folded() const { return foldedCount_; }

private:
    void Fold();
    void Gone(TBalloonPopup* balloon);
    void Arrange();
    bool PointerResting() const;

    std::deque<TBalloonPopup*> shown_; // oldest first; each deletes itself when it goes
    TBalloonPopup folded_;
    int foldedCount_ = 0;
    TBalloonPopup::TIconArea iconArea_;
    int foldedTimeoutMs_ = 0;
};

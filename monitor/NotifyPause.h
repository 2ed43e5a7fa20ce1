#pragma once
// Notifications paused from the tray menu: for an hour or until turned back on. Kept in
// memory only, so a restart ends any pause.

#include <QDateTime>

class TNotifyPause {
public:
    static constexpr qint64 kHourMs = 60 * 60 * 1000;

    void PauseForHour(const QDateTime& now) {
        until_ = now.addMSecs(kHourMs);
        indefinite_ = false;
    }
    void PauseUntilResumed() {
        until_ = QDateTime();
        indefinite_ = true;
    }
    void Resume() { *this = TNotifyPause(); }

    bool Paused(const QDateTime& now) const {
        return indefinite_ || (until_.isValid() && now < until_);
    }
    // Paused for the hour (false once the hour is over), or until turned back on.
    bool PausedForHour(const QDateTime& now) const { return !indefinite_ && Paused(now); }
    bool PausedUntilResumed() const { return indefinite_; }

private:
    QDateTime until_; // invalid: no pause for a time
    bool indefinite_ = false;
};

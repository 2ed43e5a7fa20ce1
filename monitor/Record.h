#pragma once
// One watched ID with its own timer, and the container of all of them in insertion order.

#include "history/HistoryTypes.h"
#include "monitor/BuddyStatus.h"
#include "monitor/OutageWatch.h"
#include "monitor/PresenceRule.h"
#include "net/NetWorker.h"

#include <QDateTime>
#include <QTimer>

#include <vector>

struct TCheckContext;

class TRecord {
public:
    explicit TRecord(TCheckContext& context);
    ~TRecord();
    TRecord(const TRecord&) = delete;
    TRecord& operator=(const TRecord&) = delete;

    QString ID;          // normalised: trimmed, A-Z folded
    QString Source;      // the presence source's name as stored; empty: the program's own service
    int Interval = 1;    // minutes, at least 1
    QDateTime LastCheck; // null: never checked
    TBuddyStatus LastStatus = bsNotScanned;
    // Why the last status is ERROR (see FailureText); None when it is not or nobody said.
    TPresenceFailure LastFailure = TPresenceFailure::None;
    QString LastFailureDetail;
    // Which changes show a balloon, as stored in Notify<n> (see NotifyChoice.h); kept as
    // written, so that a value this version does not know survives a save.
    QString Notify;
    // Whether the source stopped answering about this ID; another ID or source starts afresh.
    TOutageWatch Outage;
    QString LastFailureHost; // the host asked, named in the reason where it helps

    // A check under way for an earlier ID is abandoned: its answer is not this ID's.
    void SetID(const QString& text);
    // The same for a check under way at another source; a wait that source asked for ends.
    void SetSource(const QString& name);
    void SetInterval(int minutes);
    void SetEnabled(bool enabled);
    bool Enabled() const;
    // Starts a check, unless one is under way: its answer serves this request too. While the
    // source's wait holds, the check is made when it ends.
    void CheckStatus();
    // The source asked to wait: no check starts for `ms`.
    void HoldChecks(int ms);
    bool ChecksHeld() const { return hold_.isActive(); }
    bool CheckUnderWay() const { return check_ && check_->Pending(); }
    // The latest check started, under way or done; null before the first.
    const TNetJobPtr& LatestCheck() const { return check_; }

    // The period the timer counts, in ms (Interval x 60000; may exceed one timer period).
    qint64 PeriodMs() const;
    QTimer& Timer() { return timer_; }
    // The timer's tick: counts down long periods piecewise and checks when the period is over.
    void Tick();

    // The longest period one timer run can count, in ms.
    static constexpr qint64 kMaxTimerPeriodMs = 2147483647;

private:
    void RestartCountdown();
    void ForgetCheckUnderWay();
    void EndHold();

    TCheckContext& context_;
    QTimer timer_;
    QTimer hold_;                 // single shot: runs while the source's wait holds
    bool checkAfterHold_ = false; // a check was asked for meanwhile
    TNetJobPtr check_;
    qint64 remainingMs_ = 0; // for periods longer than one timer period
};

// The entry as the presence history knows it: its ID on its presence source.
THistoryKey HistoryKeyOf(const TRecord& entry);

using VRecord = std::vector<TRecord*>;

// Removes the element at `index`, keeping the order; an index out of range changes nothing.
void DeleteRecordAt(VRecord& list, int index);

class Tobjs {
public:
    explicit Tobjs(TCheckContext& context);
    ~Tobjs();
    Tobjs(const Tobjs&) = delete;
    Tobjs& operator=(const Tobjs&) = delete;

    VRecord List;

    TRecord* Add(const QString& text, int minutes, const QString& source = {}); // not enabled
    void Remove(TRecord* entry);                                                // not freed
    void CheckAll();
    void Clear();

private:
    TCheckContext& context_;
};

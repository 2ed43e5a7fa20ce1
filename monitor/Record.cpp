#include "monitor/Record.h"

#include "monitor/Check.h"
#include "shell/uStrUtils.h"

#include <algorithm>
#include <utility>

namespace {

int TimerPeriodFor(qint64 remainingMs) {
    return static_cast<int>(std::min(remainingMs, TRecord::kMaxTimerPeriodMs));
}

} // namespace

TRecord::TRecord(TCheckContext& context) : context_(context) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    hold_.setSingleShot(true);
    QObject::connect(&hold_, &QTimer::timeout, [this] { EndHold(); });
}

TRecord::~TRecord() {
    timer_.stop();
    if (check_)
        check_->Abandon(); // nothing lands on a freed entry
}

void TRecord::SetID(const QString& text) {
    const QString id = LowerAscii(TrimControl(text));
    if (id == ID)
        return;
    ID = id;
    Outage.Reset();
    ForgetCheckUnderWay();
}

void TRecord::SetSource(const QString& name) {
    if (name == Source)
        return;
    Source = name;
    Outage.Reset();
    ForgetCheckUnderWay();
    if (hold_.isActive()) {
        hold_.stop();
        EndHold();
    }
}

void TRecord::ForgetCheckUnderWay() {
    if (!CheckUnderWay())
        return;
    check_->Abandon();
    // An entry never checked would show no status until its timer: it is asked now.
    if (LastStatus == bsNotScanned)
        CheckStatus();
}

void TRecord::SetInterval(int minutes) {
    const qint64 oldPeriod = PeriodMs();
    Interval = std::max(minutes, 1);
    // A never-set timer has interval 0; an unchanged period keeps the running countdown.
    if (timer_.interval() != 0 && PeriodMs() == oldPeriod)
        return;
    RestartCountdown();
    if (timer_.isActive())
        timer_.start(); // a new period counts from now, even when its first piece looks the same
}

void TRecord::SetEnabled(bool enabled) {
    if (enabled != timer_.isActive()) {
        if (enabled) {
            RestartCountdown();
            timer_.start();
        } else {
            timer_.stop();
        }
    }
    if (LastStatus == bsNotScanned)
        CheckStatus();
}

bool TRecord::Enabled() const {
    return timer_.isActive();
}

void TRecord::CheckStatus() {
    if (CheckUnderWay())
        return;
    if (hold_.isActive()) {
        checkAfterHold_ = true;
        return;
    }
    check_ = StartCheck(*this, context_);
    if (CheckUnderWay() && context_.checkUnderWay)
        context_.checkUnderWay(*this);
}

void TRecord::HoldChecks(int ms) {
    hold_.start(ms);
}

void TRecord::EndHold() {
    if (std::exchange(checkAfterHold_, false))
        CheckStatus();
}

qint64 TRecord::PeriodMs() const {
    return static_cast<qint64>(Interval) * 60000;
}

void TRecord::Tick() {
    remainingMs_ -= timer_.interval();
    if (remainingMs_ > 0) {
        timer_.setInterval(TimerPeriodFor(remainingMs_));
        return;
    }
    RestartCountdown();
    CheckStatus();
}

// Setting the interval of a running timer restarts it; after a tick that is only needed when the
// piece length changes.
void TRecord::RestartCountdown() {
    remainingMs_ = PeriodMs();
    const int period = TimerPeriodFor(remainingMs_);
    if (timer_.interval() != period)
        timer_.setInterval(period);
}

THistoryKey HistoryKeyOf(const TRecord& entry) {
    return {entry.ID, entry.Source.isEmpty() ? OwnSourceName() : entry.Source};
}

void DeleteRecordAt(VRecord& list, int index) {
    if (index < 0 || index >= static_cast<int>(list.size()))
        return;
    list.erase(list.begin() + index);
}

Tobjs::Tobjs(TCheckContext& context) : context_(context) {}

Tobjs::~Tobjs() {
    Clear();
}

TRecord* Tobjs::Add(const QString& text, int minutes, const QString& source) {
    auto* entry = new TRecord(context_);
    entry->SetID(text);
    entry->SetSource(source);
    entry->SetInterval(minutes);
    List.push_back(entry);
    return entry;
}

void Tobjs::Remove(TRecord* entry) {
    const auto found = std::find(List.begin(), List.end(), entry);
    if (found != List.end())
        DeleteRecordAt(List, static_cast<int>(found - List.begin()));
}

void Tobjs::CheckAll() {
    for (std::size_t i = 0; i < List.size(); ++i)
        List[i]->CheckStatus();
}

void Tobjs::Clear() {
    for (TRecord* entry : List)
        delete entry;
    List.clear();
}

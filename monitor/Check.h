#pragma once
// One check of one entry and its change notification.

#include "monitor/SourceQuery.h"
#include "net/NetWorker.h"

#include <QDateTime>
#include <QString>

#include <functional>

class THistoryStore;
class TNotifyPause;
class TRecentChanges;
class TRecord;
class TTrayIcon;

// What a check needs from its surroundings; the main window owns one. The presence queries
// themselves go through the fetchers of monitor/Presence.h and monitor/SourceQuery.h.
struct TCheckContext {
    TTrayIcon* tray = nullptr;                            // balloons go here (none: no balloon)
    std::function<void(TRecord&)> refreshRow;             // RefreshRow of the entry's row
    std::function<QDateTime()> now;                       // empty: the current local time
    INetWorker* worker = nullptr;                         // runs the queries
    std::function<void(TRecord&)> checkUnderWay;          // a check of the entry went out
    const TSourceCatalogue* sources = nullptr;            // none: the own service and the presets
    int tooManyRequestsPauseMs = kTooManyRequestsPauseMs; // how long a 429 holds the entry's checks
    THistoryStore* history = nullptr;    // every applied result goes here (none: nowhere)
    TRecentChanges* recent = nullptr;    // every change goes here, shown or not (none: nowhere)
    const TNotifyPause* pause = nullptr; // while it holds, changes show no balloon
};

// ID of the buddy named in the latest balloon that announced online or invisible.
extern QString LastNotifiedID;

// The local time by the context's clock.
QDateTime ContextNow(const TCheckContext& context);

// "bob is now ONLINE on Lichess" ("bob is now ONLINE" on the program's own service), in the
// language in force now.
QString ChangeText(const QString& id, const QString& source, TBuddyStatus code);

// What a click on the balloon of the entry going online does; empty when it does nothing. The
// Contacts menu of the tray does the same for an entry that is online.
std::function<void()> OnlineAction(const TRecord& entry, const TSourceCatalogue* sources);

// Why the entry's last check ended in ERROR, in the words its row shows.
QString EntryFailureReason(const TRecord& entry);

// Sends the entry's query to its source to the worker (TRecord::CheckStatus does, one at a
// time). Its answer is applied on the window's thread: the notification rule, the balloon, the
// new status with its reason and the time the check started, the wait a 429 asks for, the
// history's record of it, the recent changes, the source's outage said once, and the row's
// refresh. A change shows a balloon unless notifications are paused or the entry's choice
// (Notify<n>) leaves it out.
TNetJobPtr StartCheck(TRecord& entry, TCheckContext& context);

// Balloon-click handler where each balloon replaces the one before: opens
// "ymsgr:sendim?<LastNotifiedID>&m=". Where each balloon stays its own, a click on an online
// one opens its own ID instead. A balloon of another source opens that source's page of its ID,
// when the source has one.
void TrayIconBalloonClick();

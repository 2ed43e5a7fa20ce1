#pragma once
// One check of one entry and its change notification.

#include <QDateTime>
#include <QString>

#include <functional>

class TRecord;
class TTrayIcon;

// What a check needs from its surroundings; the main window owns one. The presence queries
// themselves go through the fetcher of monitor/Presence.h.
struct TCheckContext {
    TTrayIcon* tray = nullptr;                // balloons go here (none: no balloon)
    std::function<void(TRecord&)> refreshRow; // RefreshRow of the entry's row
    std::function<QDateTime()> now;           // empty: the current local time
};

// ID of the buddy named in the latest balloon that announced online or invisible.
extern QString LastNotifiedID;

// The check itself (TRecord::CheckStatus runs it).
void RunCheck(TRecord& entry, TCheckContext& context);

// Balloon-click handler where each balloon replaces the one before: opens
// "ymsgr:sendim?<LastNotifiedID>&m=". Where each balloon stays its own, a click on an online
// one opens its own ID instead.
void TrayIconBalloonClick();

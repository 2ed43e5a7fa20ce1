#pragma once
// One check of one entry and its change notification.

#include <QString>

class TRecord;
struct TCheckContext;

// ID of the buddy named in the latest balloon that announced online or invisible.
extern QString LastNotifiedID;

// The check itself (TRecord::CheckStatus runs it).
void RunCheck(TRecord& entry, TCheckContext& context);

// Balloon-click handler: opens "ymsgr:sendim?<LastNotifiedID>&m=".
void TrayIconBalloonClick();

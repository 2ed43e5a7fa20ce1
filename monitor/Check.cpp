#include "monitor/Check.h"

#include "history/HistoryStore.h"
#include "monitor/Presence.h"
#include "monitor/Record.h"
#include "shell/Language.h"
#include "shell/TrayIcon.h"
#include "shell/uDialogs.h"

QString LastNotifiedID;

namespace {

bool IsPresence(TBuddyStatus code) {
    return code == bsOnline || code == bsOffline || code == bsInvisible;
}

// The message window of the messenger for that buddy.
void OpenMessageWindow(const QString& id) {
    ShellOpen(QStringLiteral("ymsgr:sendim?") + id + QStringLiteral("&m="), QString());
}

// Announce any presence change, except going offline after no known presence.
bool ShouldNotify(TBuddyStatus before, TBuddyStatus code) {
    return IsPresence(code) && code != before && (code != bsOffline || IsPresence(before));
}

void ShowChangeBalloon(TTrayIcon& tray, const QString& id, TBuddyStatus code) {
    const bool online = code != bsOffline;
    if (online) {
        LastNotifiedID = id;
        tray.OnBalloonClick = TrayIconBalloonClick;
        tray.Backend().SetBalloonAction([id] { OpenMessageWindow(id); });
        tray.BalloonTitle =
            Lang("Click to send %1 a message", "Fă clic pentru a-i trimite lui %1 un mesaj")
                .arg(id);
    } else {
        tray.OnBalloonClick = nullptr;
        tray.BalloonTitle.clear();
    }
    tray.BalloonFlags = bfInfo;
    tray.BalloonTimeout = 5000;
    QString word;
    StatusText(code, word);
    tray.BalloonHint = Lang("%1 is now %2", "%1 este acum %2").arg(id, word);
    tray.Backend().SetBalloonCategory(online ? QStringLiteral("presence.online")
                                             : QStringLiteral("presence.offline"));
    tray.ShowBalloon();
}

// Where a check's answer lands, in the order the checks were started.
void ApplyCheck(TRecord& entry, const QDateTime& started, const TPresenceAnswer& answer,
                TCheckContext& context) {
    const TBuddyStatus code = answer.code;
    entry.LastCheck = started;
    if (context.tray != nullptr && ShouldNotify(entry.LastStatus, code))
        ShowChangeBalloon(*context.tray, entry.ID, code);
    entry.LastStatus = code;
    // Dated by the start of the check, as the row shows it: a slow answer changes nothing.
    if (context.history != nullptr)
        context.history->RecordCheck(HistoryKeyOf(entry), code, started.toUTC());
    if (context.refreshRow)
        context.refreshRow(entry);
}

} // namespace

TNetJobPtr StartCheck(TRecord& entry, TCheckContext& context) {
    // The time the check started, before the query waits.
    const QDateTime started = context.now ? context.now() : QDateTime::currentDateTime();
    const TPresenceQuery query = QueryStatus(entry.ID);
    return context.worker->Submit(
        [query, started, &entry, &context](const TIdDeadline& cancel) -> INetWorker::TApply {
            return [answer = query.Run(&cancel), started, &entry, &context] {
                ApplyCheck(entry, started, answer, context);
            };
        });
}

void TrayIconBalloonClick() {
    OpenMessageWindow(LastNotifiedID);
}

#include "monitor/Check.h"

#include "history/HistoryStore.h"
#include "monitor/FailureText.h"
#include "monitor/NotifyChoice.h"
#include "monitor/NotifyPause.h"
#include "monitor/RecentChanges.h"
#include "monitor/Record.h"
#include "shell/Language.h"
#include "shell/TrayIcon.h"
#include "shell/uDialogs.h"

QString LastNotifiedID;

namespace {

// Who a balloon names and what a click on it opens, as they were when the check started: the
// entry's source may change or go while the query waits.
struct TBalloonSubject {
    QString id;
    QString source;  // empty: the program's own service
    QString address; // the source's page of the ID; empty: it has none
};

const TSourceCatalogue& CatalogueOf(const TCheckContext& context) {
    return context.sources != nullptr ? *context.sources : BuiltInSources();
}

TBalloonSubject SubjectOf(const TRecord& entry, const TSourceCatalogue& catalogue) {
    const TPresenceSource* source = catalogue.Find(entry.Source);
    if (source == nullptr || source->IsOwnService())
        return {entry.ID, {}, {}};
    return {entry.ID, source->Name, source->OpenUrl(entry.ID)};
}

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

// What a click on an online balloon does; empty when it does nothing.
std::function<void()> ClickAction(const TBalloonSubject& subject) {
    if (subject.source.isEmpty())
        return [id = subject.id] { OpenMessageWindow(id); };
    if (subject.address.isEmpty())
        return {};
    return [address = subject.address] { ShellOpen(address, QString()); };
}

QString ClickTitle(const TBalloonSubject& subject) {
    if (subject.source.isEmpty())
        return Lang("Click to send %1 a message", "Fă clic pentru a-i trimite lui %1 un mesaj")
            .arg(subject.id);
    if (subject.address.isEmpty())
        return {};
    return Lang("Click to open %1 on %2", "Fă clic pentru a deschide pagina lui %1 de pe %2")
        .arg(subject.id, subject.source);
}

bool Paused(const TCheckContext& context) {
    return context.pause != nullptr && context.pause->Paused(ContextNow(context));
}

void ShowChangeBalloon(TTrayIcon& tray, const TBalloonSubject& subject, TBuddyStatus code) {
    const bool online = code != bsOffline;
    const std::function<void()> action = online ? ClickAction(subject) : nullptr;
    if (online)
        LastNotifiedID = subject.id;
    // Where each balloon replaces the one before, the own service's click follows
    // LastNotifiedID; another source's opens the page this balloon names.
    if (subject.source.isEmpty())
        tray.OnBalloonClick = online ? TrayIconBalloonClick : nullptr;
    else
        tray.OnBalloonClick = action;
    tray.Backend().SetBalloonAction(action);
    tray.BalloonTitle = online ? ClickTitle(subject) : QString();
    tray.BalloonFlags = bfInfo;
    tray.BalloonTimeout = 5000;
    tray.BalloonHint = ChangeText(subject.id, subject.source, code);
    tray.Backend().SetBalloonCategory(online ? QStringLiteral("presence.online")
                                             : QStringLiteral("presence.offline"));
    tray.ShowBalloon();
}

// Every change is listed; a balloon shows it unless the user said otherwise.
void AnnounceChange(const TRecord& entry, const QDateTime& started, const TBalloonSubject& subject,
                    TBuddyStatus code, TCheckContext& context) {
    if (context.recent != nullptr)
        context.recent->Add({started, subject.id, subject.source, code,
                             code != bsOffline ? ClickAction(subject) : std::function<void()>()});
    if (context.tray != nullptr && !Paused(context) && NotifyAllows(entry.Notify, code))
        ShowChangeBalloon(*context.tray, subject, code);
}

void ShowOutageBalloon(TTrayIcon& tray, const QString& text, TBalloonFlags flags) {
    tray.OnBalloonClick = nullptr;
    tray.Backend().SetBalloonAction(nullptr);
    tray.BalloonTitle = QString();
    tray.BalloonFlags = flags;
    tray.BalloonTimeout = 5000;
    tray.BalloonHint = text;
    tray.Backend().SetBalloonCategory(flags == bfWarning ? QStringLiteral("network.error")
                                                         : QStringLiteral("network"));
    tray.ShowBalloon();
}

// Another source that stopped answering about the entry is said once, and once when it answers
// again; the program's own service stays silent about its failures.
void AnnounceOutage(TRecord& entry, const TBalloonSubject& subject, TCheckContext& context) {
    const TOutageWatch::TNews news = entry.Outage.Note(entry.LastStatus);
    if (subject.source.isEmpty() || news == TOutageWatch::owNone || context.tray == nullptr ||
        Paused(context))
        return;
    if (news == TOutageWatch::owDown)
        ShowOutageBalloon(*context.tray,
                          Lang("Cannot check %1 on %2: %3", "Nu pot verifica %1 pe %2: %3")
                              .arg(subject.id, subject.source, EntryFailureReason(entry)),
                          bfWarning);
    else
        ShowOutageBalloon(
            *context.tray,
            Lang("%1 on %2 can be checked again", "%1 pe %2 poate fi verificat din nou")
                .arg(subject.id, subject.source),
            bfInfo);
}

// Where a check's answer lands, in the order the checks were started.
void ApplyCheck(TRecord& entry, const QDateTime& started, const TBalloonSubject& subject,
                const TSourceOutcome& outcome, TCheckContext& context) {
    const TBuddyStatus code = outcome.Status;
    entry.LastCheck = started;
    if (ShouldNotify(entry.LastStatus, code))
        AnnounceChange(entry, started, subject, code, context);
    entry.LastStatus = code;
    entry.LastFailure = outcome.Failure;
    entry.LastFailureDetail = outcome.Detail;
    entry.LastFailureHost = outcome.Host;
    AnnounceOutage(entry, subject, context);
    if (outcome.TooManyRequests())
        entry.HoldChecks(context.tooManyRequestsPauseMs);
    // Dated by the start of the check, as the row shows it: a slow answer changes nothing.
    if (context.history != nullptr)
        context.history->RecordCheck(HistoryKeyOf(entry), code, started.toUTC());
    if (context.refreshRow)
        context.refreshRow(entry);
}

} // namespace

TNetJobPtr StartCheck(TRecord& entry, TCheckContext& context) {
    // The time the check started, before the query waits.
    const QDateTime started = ContextNow(context);
    const TSourceCatalogue& catalogue = CatalogueOf(context);
    const TSourceQuery query = TSourceQuery::Of(catalogue, entry.Source, entry.ID);
    return context.worker->Submit([query, started, subject = SubjectOf(entry, catalogue), &entry,
                                   &context](const TIdDeadline& cancel) -> INetWorker::TApply {
        return [outcome = query.Run(&cancel), started, subject, &entry, &context] {
            ApplyCheck(entry, started, subject, outcome, context);
        };
    });
}

QDateTime ContextNow(const TCheckContext& context) {
    return context.now ? context.now() : QDateTime::currentDateTime();
}

QString ChangeText(const QString& id, const QString& source, TBuddyStatus code) {
    QString word;
    StatusText(code, word);
    if (source.isEmpty())
        return Lang("%1 is now %2", "%1 este acum %2").arg(id, word);
    return Lang("%1 is now %2 on %3", "%1 este acum %2 pe %3").arg(id, word, source);
}

std::function<void()> OnlineAction(const TRecord& entry, const TSourceCatalogue* sources) {
    return ClickAction(SubjectOf(entry, sources != nullptr ? *sources : BuiltInSources()));
}

QString EntryFailureReason(const TRecord& entry) {
    return FailureText(entry.LastFailure, entry.LastFailureDetail, entry.LastFailureHost);
}

void TrayIconBalloonClick() {
    OpenMessageWindow(LastNotifiedID);
}

#include "monitor/SourceQuery.h"

#include <QUrl>

namespace {

constexpr qsizetype kReplyStartChars = 2000;
constexpr qsizetype kDetailChars = 300;

bool FetchBytes(const std::string& url, QByteArray& body, const TFetchControl& control) {
    TMemoryStream stream;
    const bool ok = HttpGetStreamEx(url, stream, control);
    body = QByteArray(reinterpret_cast<const char*>(stream.Memory()),
                      static_cast<qsizetype>(stream.Bytes().size()));
    return ok;
}

TSourceFetcher& Fetcher() {
    static TSourceFetcher fetcher = FetchBytes;
    return fetcher;
}

bool BreaksTheLine(QChar c) {
    switch (c.category()) {
    case QChar::Other_Control:
    case QChar::Other_Format: // direction overrides among them
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

// Replies and rules are foreign text: control and format characters become blanks, so that a
// reason stays one line that reads as it is, and a long one is cut.
QString OneLine(const QString& text) {
    QString line;
    for (const QChar c : text)
        line += BreaksTheLine(c) ? u' ' : c;
    line = line.simplified();
    return line.size() > kDetailChars ? line.left(kDetailChars) + u'…' : line;
}

QString HostOf(const std::string& url) {
    return QUrl(QString::fromStdString(url)).host();
}

TSourceOutcome Failed(TPresenceFailure failure, const QString& detail) {
    TSourceOutcome outcome;
    outcome.Failure = failure;
    outcome.Detail = OneLine(detail);
    return outcome;
}

// A preset's or a user's source, on the worker's thread.
TSourceOutcome AskSource(const TPresenceRule& rule, const std::string& url,
                         const TSourceFetcher& fetch, const TIdDeadline* cancel) {
    std::string failure;
    int status = 0;
    QByteArray body;
    std::u16string errorBody;
    TFetchControl control{cancel, &failure, &status};
    control.errorBody = &errorBody;
    const bool ok = fetch(url, body, control);
    TSourceOutcome outcome;
    if (ok && failure.empty()) { // a 200 whose body broke is no reply to read
        const TRuleVerdict verdict = rule.Evaluate(body);
        outcome = Failed(verdict.Failure, verdict.Detail);
        outcome.Status = verdict.Status;
    } else {
        outcome = Failed(TPresenceFailure::Fetch, QString::fromStdString(failure));
        body = QString::fromStdU16String(errorBody).toUtf8(); // what a test of the source shows
    }
    outcome.Host = HostOf(url);
    outcome.HttpStatus = status;
    outcome.Reply = body;
    return outcome;
}

// The own service's answer; without a host its requests cannot succeed, and that is the reason.
TSourceOutcome OwnOutcome(TPresenceAnswer answer, bool configured) {
    TSourceOutcome outcome;
    if (answer.code == bsError) {
        if (!configured)
            outcome = Failed(TPresenceFailure::NotConfigured, {});
        else if (!answer.failures.empty())
            outcome = Failed(TPresenceFailure::Fetch,
                             QString::fromStdString(answer.failures.back().reason));
        else
            outcome = Failed(TPresenceFailure::OwnService, {});
        if (!answer.failures.empty())
            outcome.Host = HostOf(answer.failures.back().url);
    }
    outcome.Status = answer.code;
    outcome.FailedRequests = std::move(answer.failures);
    return outcome;
}

} // namespace

QString TSourceOutcome::ReplyStart() const {
    return ReplyText(Reply).left(kReplyStartChars);
}

void SetSourceFetcher(TSourceFetcher fetcher) {
    Fetcher() = fetcher ? std::move(fetcher) : TSourceFetcher(FetchBytes);
}

TSourceQuery TSourceQuery::Of(const TSourceCatalogue& catalogue, const QString& sourceName,
                              const QString& id) {
    const TPresenceSource* source = catalogue.Find(sourceName);
    return source != nullptr ? Of(*source, id)
                             : Failing(TPresenceFailure::UnknownSource, sourceName);
}

TSourceQuery TSourceQuery::OneOff(const TSourceCatalogue& catalogue, const QString& sourceName,
                                  const QString& id) {
    const TPresenceSource* source = catalogue.Find(sourceName);
    if (source != nullptr && source->IsOwnService())
        return Own(OneOffCheck(id));
    return Of(catalogue, sourceName, id);
}

TSourceQuery TSourceQuery::Of(const TPresenceSource& source, const QString& id) {
    if (source.IsOwnService())
        return Own(QueryStatus(id));
    if (!source.Rule.IsValid())
        return Failing(TPresenceFailure::BadDefinition, source.Rule.Text());
    return TSourceQuery([rule = source.Rule, url = source.QueryUrl(id).toStdString(),
                         fetch = Fetcher()](const TIdDeadline* cancel) {
        return AskSource(rule, url, fetch, cancel);
    });
}

TSourceQuery TSourceQuery::Own(TPresenceQuery query) {
    return TSourceQuery(
        [query = std::move(query), configured = OwnServiceConfigured()](const TIdDeadline* cancel) {
            return OwnOutcome(query.Run(cancel), configured);
        });
}

TSourceQuery TSourceQuery::Failing(TPresenceFailure failure, const QString& detail) {
    return TSourceQuery(
        [outcome = Failed(failure, detail)](const TIdDeadline*) { return outcome; });
}

TSourceOutcome TSourceQuery::Run(const TIdDeadline* cancel) const {
    return run_(cancel);
}

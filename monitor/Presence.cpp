#include "monitor/Presence.h"

#include "net/Hosts.h"
#include "remote/RemoteSettings.h"
#include "shell/Language.h"
#include "shell/uStrUtils.h"

#include <QString>

namespace {

TextFetcher& Fetcher() {
    static TextFetcher fetcher = HttpGetTextEx;
    return fetcher;
}

std::string Url(const std::string& host, const QString& pathAndQuery) {
    return HttpUrl(host, pathAndQuery.toUtf8().toStdString());
}

// The detection service's four characters: only the XOR of the two byte values counts.
TBuddyStatus DecodeServiceReply(const QString& reply) {
    const std::int32_t a = HexToInt(reply.mid(2, 2));
    const std::int32_t b = HexToInt(reply.mid(0, 2));
    const std::uint32_t x = static_cast<std::uint32_t>(a ^ b);
    // A negative X prints as its eight-digit two's complement form.
    const QString h = QStringLiteral("%1").arg(x, 2, 16, QLatin1Char('0')).toUpper();
    const std::int32_t hi = HexToInt(h.mid(0, 1));
    const std::int32_t lo = HexToInt(h.mid(1, 1));
    return static_cast<TBuddyStatus>((hi + 5 - lo) & 0xFF);
}

} // namespace

void SetPresenceFetcher(TextFetcher fetcher) {
    Fetcher() = fetcher ? std::move(fetcher) : TextFetcher(HttpGetTextEx);
}

TPresenceQuery TPresenceQuery::Of(TService service, const std::string& url) {
    TPresenceQuery query;
    query.requests_.push_back({service, url});
    query.fetcher_ = Fetcher();
    return query;
}

TPresenceAnswer TPresenceQuery::Run(const TIdDeadline* cancel) const {
    TPresenceAnswer answer;
    for (const TRequest& request : requests_) {
        answer.code = Ask(request, cancel, answer.failures);
        // A cancelled query goes no further: its next request would only be cancelled too.
        if (answer.code == bsOnline || (cancel != nullptr && cancel->Cancelled()))
            break;
    }
    return answer;
}

TBuddyStatus TPresenceQuery::Ask(const TRequest& request, const TIdDeadline* cancel,
                                 std::vector<TQueryFailure>& failures) const {
    std::u16string text;
    std::string why;
    // A 200 whose body broke is no answer either: its text is not the reply.
    if (!fetcher_(request.url, text, {cancel, &why}) || !why.empty()) {
        failures.push_back({request.url, why});
        return bsError;
    }
    if (request.service == TService::Indicator)
        return text == u"01" ? bsOnline : bsOffline;
    if (text.size() != 4) {
        failures.push_back(
            {request.url, "the reply could not be read: " + std::to_string(text.size()) +
                              " characters instead of 4"});
        return bsError;
    }
    return DecodeServiceReply(QString::fromStdU16String(text));
}

TPresenceQuery QueryStatus(const QString& id) {
    return SiteScan ? QueryStatusService(id, false) : QueryIndicator(id);
}

TPresenceQuery QueryIndicator(const QString& id) {
    // The ID goes in exactly as given: no escaping, no trimming.
    return TPresenceQuery::Of(
        TPresenceQuery::TService::Indicator,
        Url(IndicatorHost(), QStringLiteral("/online?u=") + id + QStringLiteral("&m=t&t=1")));
}

TPresenceQuery QueryStatusService(const QString& id, bool invisibleScan) {
    const QString path = QStringLiteral("/getstatus.php?yid=") + id +
                         QStringLiteral("&invisiblescan=") +
                         (invisibleScan ? QStringLiteral("1") : QStringLiteral("0")) +
                         QStringLiteral("&ver=") + UrlEncode(ProgramVersion());
    return TPresenceQuery::Of(TPresenceQuery::TService::Detection, Url(DetectHost(), path));
}

TPresenceQuery OneOffCheck(const QString& id) {
    TPresenceQuery query = QueryStatus(id);
    query.requests_.push_back(QueryStatusService(id, true).requests_.front());
    return query;
}

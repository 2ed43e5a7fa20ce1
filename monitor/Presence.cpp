#include "monitor/Presence.h"

#include "net/Hosts.h"
#include "net/uNetUtils.h"
#include "remote/RemoteSettings.h"
#include "shell/Language.h"
#include "shell/uStrUtils.h"

#include <QString>

namespace {

TextFetcher& Fetcher() {
    static TextFetcher fetcher = HttpGetText;
    return fetcher;
}

// The body of a 200 reply, or nothing on any failure.
bool Fetch(const std::string& host, const QString& pathAndQuery, QString& body) {
    std::u16string text;
    const std::string url = HttpUrl(host, pathAndQuery.toUtf8().toStdString());
    if (!Fetcher()(url, text))
        return false;
    body = QString::fromStdU16String(text);
    return true;
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
    Fetcher() = fetcher ? std::move(fetcher) : TextFetcher(HttpGetText);
}

TBuddyStatus QueryStatus(const QString& id) {
    return SiteScan ? QueryStatusService(id, false) : QueryIndicator(id);
}

TBuddyStatus QueryIndicator(const QString& id) {
    QString body;
    // The ID goes in exactly as given: no escaping, no trimming.
    if (!Fetch(IndicatorHost(), QStringLiteral("/online?u=") + id + QStringLiteral("&m=t&t=1"),
               body))
        return bsError;
    return body == QStringLiteral("01") ? bsOnline : bsOffline;
}

TBuddyStatus QueryStatusService(const QString& id, bool invisibleScan) {
    const QString path = QStringLiteral("/getstatus.php?yid=") + id +
                         QStringLiteral("&invisiblescan=") +
                         (invisibleScan ? QStringLiteral("1") : QStringLiteral("0")) +
                         QStringLiteral("&ver=") + UrlEncode(ProgramVersion());
    QString body;
    if (!Fetch(DetectHost(), path, body) || body.size() != 4)
        return bsError;
    return DecodeServiceReply(body);
}

TBuddyStatus OneOffCheck(const QString& id) {
    const TBuddyStatus first = QueryStatus(id);
    return first == bsOnline ? first : QueryStatusService(id, true);
}

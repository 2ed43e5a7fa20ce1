#include "monitor/FailureText.h"

#include "monitor/SourceQuery.h"
#include "shell/Language.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

// "%1" in a wording: the host asked, or a reason's detail.
const QString kPlace = QStringLiteral("%1");

struct TWording {
    const char* english;
    const char* romanian;
};

// Client messages by how they begin, the more particular first. Every message the HTTP client,
// its socket layer, TLS and name lookups raise has a row; the last row catches the rest.
const struct TClientWording {
    QStringList starts;
    TWording words;
} kClientFailures[] = {
    {{QStringLiteral("Socket Error # 11001")},
     {"No network, or no such host: %1", "Nu există rețea, sau nu există gazda: %1"}},
    {{QStringLiteral("Socket Error # 11002")},
     {"The name server did not answer; try again later",
      "Serverul de nume nu a răspuns; încearcă mai târziu"}},
    {{QStringLiteral("Socket Error # 11003")},
     {"The name server failed", "Serverul de nume a dat greș"}},
    {{QStringLiteral("Socket Error # 11004")},
     {"The host has no address: %1", "Gazda nu are nicio adresă: %1"}},
    {{QStringLiteral("Socket Error # 10061")},
     {"The connection was refused", "Conexiunea a fost refuzată"}},
    {{QStringLiteral("Socket Error # 10060"), QStringLiteral("Read timed out.")},
     {"The server did not answer in time", "Serverul nu a răspuns la timp"}},
    {{QStringLiteral("Socket Error # 10050"), QStringLiteral("Socket Error # 10051")},
     {"No network, or it does not reach the server",
      "Nu există rețea, sau ea nu ajunge la server"}},
    {{QStringLiteral("Socket Error # 10064"), QStringLiteral("Socket Error # 10065")},
     {"The server cannot be reached: %1", "Serverul nu poate fi contactat: %1"}},
    {{QStringLiteral("Socket Error # 10052"), QStringLiteral("Socket Error # 10053"),
      QStringLiteral("Socket Error # 10054"), QStringLiteral("Not Connected"),
      QStringLiteral("Disconnected.")},
     {"The connection was broken off", "Conexiunea a fost întreruptă"}},
    {{QStringLiteral("Socket Error # 10013")},
     {"The system did not allow the connection", "Sistemul nu a permis conexiunea"}},
    {{QStringLiteral("Socket Error # 10024"), QStringLiteral("Socket Error # 10055")},
     {"The system is out of network resources", "Sistemul a rămas fără resurse de rețea"}},
    {{QStringLiteral("Socket Error #")}, {"The network failed", "Rețeaua a dat greș"}},
    {{QStringLiteral("Connect timed out.")},
     {"The server did not take the connection in time: %1",
      "Serverul nu a acceptat conexiunea la timp: %1"}},
    {{QStringLiteral("Request timed out.")},
     {"The server took too long to answer", "Serverul a răspuns prea încet"}},
    {{QStringLiteral("Request cancelled.")},
     {"The check was stopped", "Verificarea a fost oprită"}},
    {{QStringLiteral("Connection Closed Gracefully.")},
     {"The server closed the connection before its reply ended",
      "Serverul a închis conexiunea înainte de sfârșitul răspunsului"}},
    {{QStringLiteral("The connection closed before the whole body came.")},
     {"The reply was cut short", "Răspunsul a fost întrerupt"}},
    {{QStringLiteral("Body size limit exceeded.")},
     {"The reply is too large", "Răspunsul este prea mare"}},
    {{QStringLiteral("Invalid chunk size."), QStringLiteral("Max line length exceeded.")},
     {"The reply is not well-formed HTTP", "Răspunsul nu este HTTP corect"}},
    {{QStringLiteral("Unknown Protocol")},
     {"The address is neither http nor https", "Adresa nu este nici http, nici https"}},
    {{QStringLiteral("Protocol field is empty"), QStringLiteral("Host field is empty")},
     {"The address is incomplete", "Adresa este incompletă"}},
    {{QStringLiteral("Request target or host contains control characters.")},
     {"The address holds control characters", "Adresa conține caractere de control"}},
    {{QStringLiteral("Range check error")},
     {"The address's port is not a number from 0 to 65535",
      "Portul adresei nu este un număr de la 0 la 65535"}},
    {{QStringLiteral("IOHandler value is not valid")},
     {"This build cannot open https addresses", "Această versiune nu poate deschide adrese https"}},
    {{QStringLiteral("TLS: certificate verify failed")},
     {"The server's certificate is not trusted", "Certificatul serverului nu este de încredere"}},
    {{QStringLiteral("TLS: host name mismatch")},
     {"The server's certificate is for another name: %1",
      "Certificatul serverului este pentru alt nume: %1"}},
    {{QStringLiteral("TLS: the server does not speak TLS")},
     {"The server does not speak HTTPS on this port", "Serverul nu vorbește HTTPS pe acest port"}},
    {{QStringLiteral("TLS: the server offers only protocol versions older")},
     {"The server offers only outdated encryption", "Serverul oferă doar criptare învechită"}},
    {{QStringLiteral("TLS:")}, {"The secure connection failed", "Conexiunea securizată a eșuat"}},
    {{QStringLiteral("Host lookup busy")},
     {"Too many host lookups are still waiting; try again later",
      "Prea multe căutări de gazde încă așteaptă; încearcă mai târziu"}},
    {{QStringLiteral("IPv6 unavailable"), QStringLiteral("The requested IPVersion")},
     {"The network cannot reach this kind of address",
      "Rețeaua nu poate ajunge la acest fel de adresă"}},
    {{QString()}, {"The request failed", "Cererea a eșuat"}},
};

// A reason a query or a rule gives; "%1" is its detail.
const struct TReasonWording {
    TPresenceFailure failure;
    TWording words;
} kQueryFailures[] = {
    {TPresenceFailure::NotJson,
     {"The reply is not the JSON the rule expects (%1)",
      "Răspunsul nu este JSON-ul pe care îl așteaptă regula (%1)"}},
    {TPresenceFailure::NotXml,
     {"The reply is not well-formed XML: %1.", "Răspunsul nu este XML bine format: %1."}},
    {TPresenceFailure::NoElement,
     {"The reply has no %1 element.", "Răspunsul nu are elementul %1."}},
    {TPresenceFailure::NotBoolean,
     {"The rule %1 finds a value that is not true, false or null.",
      "Regula %1 găsește o valoare care nu este true, false sau null."}},
    {TPresenceFailure::BadDefinition,
     {"The rule %1 cannot be used; correct the source.",
      "Regula %1 nu poate fi folosită; corectează sursa."}},
    {TPresenceFailure::UnknownSource,
     {"There is no source named \"%1\".", "Nu există nicio sursă numită \"%1\"."}},
    {TPresenceFailure::OwnService,
     {"The program's own service gave no usable answer.",
      "Serviciul propriu al programului nu a dat un răspuns folosibil."}},
    {TPresenceFailure::NotConfigured,
     {"The program's own service is not configured in this installation.",
      "Serviciul propriu al programului nu este configurat în această instalare."}},
};

QString Filled(const TWording& words, const QString& with) {
    const QString text = Lang(words.english, words.romanian);
    return text.contains(kPlace) ? text.arg(with) : text;
}

// A wording that names the host ends with ": %1"; without a host that is left out.
QString WithHost(const TWording& words, const QString& host) {
    static const QRegularExpression trailingColon(QStringLiteral(":\\s*$"));
    if (host.isEmpty())
        return Filled(words, {}).remove(trailingColon);
    return Filled(words, host);
}

// "HTTP/1.1 404 Not Found" says it all once the protocol is left out.
QString ServerAnswered(const QString& statusLine) {
    return Lang("The server answered %1", "Serverul a răspuns %1")
        .arg(statusLine.section(u' ', 1).trimmed());
}

} // namespace

QString PlainFailure(const QString& clientMessage, const QString& host) {
    if (clientMessage.isEmpty())
        return {}; // nobody said why
    if (clientMessage.startsWith(QStringLiteral("HTTP/")) && clientMessage.contains(u' '))
        return ServerAnswered(clientMessage);
    for (const TClientWording& row : kClientFailures) {
        for (const QString& start : row.starts) {
            if (clientMessage.startsWith(start))
                return QStringLiteral("%1 (%2)").arg(WithHost(row.words, host), clientMessage);
        }
    }
    return clientMessage; // the table's last row begins every message
}

QString FailureText(TPresenceFailure failure, const QString& detail, const QString& host) {
    if (failure == TPresenceFailure::Fetch)
        return PlainFailure(detail, host);
    for (const TReasonWording& row : kQueryFailures) {
        if (row.failure == failure)
            return Filled(row.words, detail);
    }
    return {};
}

QString FailureText(const TSourceOutcome& outcome) {
    return FailureText(outcome.Failure, outcome.Detail, outcome.Host);
}

QString ClientFailureText(const TSourceOutcome& outcome) {
    if (outcome.Failure == TPresenceFailure::Fetch)
        return outcome.Detail;
    return FailureText(outcome);
}

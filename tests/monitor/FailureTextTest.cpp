#include "monitor/FailureText.h"

#include "http/IdExceptions.h"
#include "http/IdStack.h"
#include "monitor/SourceQuery.h"
#include "tests/monitor/MonitorFakes.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A socket error as the fetch helpers hand it on: its two lines joined by a blank.
QString SocketMessage(int code) {
    return QStringLiteral("Socket Error # %1 %2")
        .arg(code)
        .arg(QString::fromStdString(TIdStack::SocketErrorText(code)))
        .trimmed();
}

// Every failure the client, its socket layer, TLS and the name lookups give: the plain words
// first, the client's message after them, in both languages.
TEST(FailureText, ClientFailuresInPlainWordsWithTheMessageKept) {
    const struct {
        QString message;
        const char* host;
        const char* english;
        const char* romanian;
    } cases[] = {
        {SocketMessage(11001), "lichess.org", "No network, or no such host: lichess.org",
         "Nu există rețea, sau nu există gazda: lichess.org"},
        {SocketMessage(11001), "", "No network, or no such host",
         "Nu există rețea, sau nu există gazda"},
        {u"Socket Error # 11002 Host not found, try again."_s, "a.org",
         "The name server did not answer; try again later",
         "Serverul de nume nu a răspuns; încearcă mai târziu"},
        {u"Socket Error # 11003 Non-recoverable error."_s, "a.org", "The name server failed",
         "Serverul de nume a dat greș"},
        {u"Socket Error # 11004 Valid name, no data record of requested type."_s, "a.org",
         "The host has no address: a.org", "Gazda nu are nicio adresă: a.org"},
        {SocketMessage(10061), "a.org", "The connection was refused", "Conexiunea a fost refuzată"},
        {SocketMessage(10060), "a.org", "The server did not answer in time",
         "Serverul nu a răspuns la timp"},
        {SocketMessage(10051), "a.org", "No network, or it does not reach the server",
         "Nu există rețea, sau ea nu ajunge la server"},
        {SocketMessage(10065), "a.org", "The server cannot be reached: a.org",
         "Serverul nu poate fi contactat: a.org"},
        {SocketMessage(10054), "a.org", "The connection was broken off",
         "Conexiunea a fost întreruptă"},
        {SocketMessage(10013), "a.org", "The system did not allow the connection",
         "Sistemul nu a permis conexiunea"},
        {SocketMessage(10024), "a.org", "The system is out of network resources",
         "Sistemul a rămas fără resurse de rețea"},
        {SocketMessage(10045), "a.org", "The network failed", "Rețeaua a dat greș"},
        {QString::fromLatin1(EIdConnectTimeout().what()), "a.org",
         "The server did not take the connection in time: a.org",
         "Serverul nu a acceptat conexiunea la timp: a.org"},
        {QString::fromLatin1(EIdReadTimeout().what()), "", "The server did not answer in time",
         "Serverul nu a răspuns la timp"},
        {QString::fromLatin1(EIdDeadlineExceeded().what()), "",
         "The server took too long to answer", "Serverul a răspuns prea încet"},
        {QString::fromLatin1(EIdCancelled().what()), "", "The check was stopped",
         "Verificarea a fost oprită"},
        {QString::fromLatin1(EIdConnClosedGracefully().what()), "",
         "The server closed the connection before its reply ended",
         "Serverul a închis conexiunea înainte de sfârșitul răspunsului"},
        {QString::fromLatin1(EIdClosedSocket().what()), "", "The connection was broken off",
         "Conexiunea a fost întreruptă"},
        {u"The connection closed before the whole body came."_s, "", "The reply was cut short",
         "Răspunsul a fost întrerupt"},
        {QString::fromLatin1(EIdBodyTooLarge().what()), "", "The reply is too large",
         "Răspunsul este prea mare"},
        {QString::fromLatin1(EIdInvalidChunkSize().what()), "", "The reply is not well-formed HTTP",
         "Răspunsul nu este HTTP corect"},
        {QString::fromLatin1(EIdReadLnMaxLineLengthExceeded().what()), "",
         "The reply is not well-formed HTTP", "Răspunsul nu este HTTP corect"},
        {QString::fromLatin1(EIdUnknownProtocol().what()), "",
         "The address is neither http nor https", "Adresa nu este nici http, nici https"},
        {u"Host field is empty"_s, "", "The address is incomplete", "Adresa este incompletă"},
        {QString::fromLatin1(EIdInvalidRequestTarget().what()), "",
         "The address holds control characters", "Adresa conține caractere de control"},
        {QString::fromLatin1(ERangeError().what()), "",
         "The address's port is not a number from 0 to 65535",
         "Portul adresei nu este un număr de la 0 la 65535"},
        {QString::fromLatin1(EIdIOHandlerPropInvalid().what()), "",
         "This build cannot open https addresses",
         "Această versiune nu poate deschide adrese https"},
        {u"TLS: certificate verify failed (unable to get local issuer certificate)"_s, "a.org",
         "The server's certificate is not trusted", "Certificatul serverului nu este de încredere"},
        {u"TLS: host name mismatch"_s, "a.org",
         "The server's certificate is for another name: a.org",
         "Certificatul serverului este pentru alt nume: a.org"},
        {u"TLS: the server does not speak TLS on this port"_s, "",
         "The server does not speak HTTPS on this port",
         "Serverul nu vorbește HTTPS pe acest port"},
        {u"TLS: the server offers only protocol versions older than TLS 1.2"_s, "",
         "The server offers only outdated encryption", "Serverul oferă doar criptare învechită"},
        {u"TLS: connection failed (decryption failed or bad record mac)"_s, "",
         "The secure connection failed", "Conexiunea securizată a eșuat"},
        {u"Host lookup busy"_s, "", "Too many host lookups are still waiting; try again later",
         "Prea multe căutări de gazde încă așteaptă; încearcă mai târziu"},
        {QString::fromLatin1(EIdIPVersionUnsupported().what()), "",
         "The network cannot reach this kind of address",
         "Rețeaua nu poate ajunge la acest fel de adresă"},
        {u"Something new"_s, "", "The request failed", "Cererea a eșuat"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        for (const bool english : {true, false}) {
            TLanguageScope language(english);
            EXPECT_EQ(PlainFailure(c.message, QString::fromUtf8(c.host)),
                      QStringLiteral("%1 (%2)").arg(
                          QString::fromUtf8(english ? c.english : c.romanian), c.message));
        }
    }
}

// A status line says all there is: the server's words, without the protocol.
TEST(FailureText, AStatusLineIsTheServersAnswer) {
    const struct {
        const char* line;
        const char* english;
        const char* romanian;
    } cases[] = {
        {"HTTP/1.1 404 Not Found", "The server answered 404 Not Found",
         "Serverul a răspuns 404 Not Found"},
        {"HTTP/1.0 503 Service Unavailable", "The server answered 503 Service Unavailable",
         "Serverul a răspuns 503 Service Unavailable"},
        {"HTTP/1.1 429", "The server answered 429", "Serverul a răspuns 429"},
    };
    for (const auto& c : cases) {
        for (const bool english : {true, false}) {
            TLanguageScope language(english);
            EXPECT_EQ(PlainFailure(QString::fromUtf8(c.line), u"a.org"_s),
                      QString::fromUtf8(english ? c.english : c.romanian));
        }
    }
}

// The reasons a query or a rule gives keep their detail; a terminal gets the client's message as
// it was, in both languages of the window.
TEST(FailureText, QueryReasonsAndTheTerminalsText) {
    TFakeSourceFetcher fetcher;
    const TPresenceSource lichess = PresetSources().front();
    const struct {
        bool ok;
        const char* failure;
        QByteArray reply;
        const char* english;
        const char* romanian;
        const char* terminal;
    } cases[] = {
        {true, "", "<html>busy</html>",
         "The reply is not the JSON the rule expects (illegal number at byte 0)",
         "Răspunsul nu este JSON-ul pe care îl așteaptă regula (illegal number at byte 0)",
         "The reply is not the JSON the rule expects (illegal number at byte 0)"},
        {false, "Socket Error # 11001 Host not found.", "",
         "No network, or no such host: lichess.org (Socket Error # 11001 Host not found.)",
         "Nu există rețea, sau nu există gazda: lichess.org (Socket Error # 11001 Host not "
         "found.)",
         "Socket Error # 11001 Host not found."},
    };
    for (const auto& c : cases) {
        fetcher.ok = c.ok;
        fetcher.failure = c.failure;
        fetcher.reply = c.reply;
        const TSourceOutcome outcome = TSourceQuery::Of(lichess, u"bob"_s).Run();
        for (const bool english : {true, false}) {
            TLanguageScope language(english);
            EXPECT_EQ(FailureText(outcome), QString::fromUtf8(english ? c.english : c.romanian));
        }
        TLanguageScope language(true);
        EXPECT_EQ(ClientFailureText(outcome), QString::fromUtf8(c.terminal));
    }
}

} // namespace

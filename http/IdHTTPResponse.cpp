#include "http/IdHTTPResponse.h"

#include "http/IdAsciiCase.h"
#include "http/IdExceptions.h"
#include "http/IdHTTP.h"
#include "http/IdHTTPDate.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace {

// The whole text as a decimal number of type T, or `fallback`.
template <typename T> T NumberOr(std::string_view text, T fallback) {
    const std::string_view trimmed = TrimView(text);
    const char* begin = trimmed.data();
    if (!trimmed.empty() && trimmed[0] == '+')
        ++begin;
    T value{};
    const auto [end, error] = std::from_chars(begin, trimmed.data() + trimmed.size(), value);
    if (error != std::errc() || end != trimmed.data() + trimmed.size() || begin == end)
        return fallback;
    return value;
}

// A chunk size line: its first word in hexadecimal; a word that is not hexadecimal counts as 0.
std::int64_t ChunkSize(const std::string& line) {
    const std::string_view word = TrimView(std::string_view(line).substr(0, line.find(' ')));
    if (!word.empty() && word[0] == '-')
        throw EIdInvalidChunkSize();
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value, 16);
    if (error == std::errc::result_out_of_range ||
        (error == std::errc() && value > std::uint64_t(std::numeric_limits<std::int64_t>::max())))
        throw EIdInvalidChunkSize();
    if (error != std::errc() || end != word.data() + word.size())
        return 0;
    return static_cast<std::int64_t>(value);
}

// Passes writes on to the caller's stream until the client's body cap is reached. The size of
// one chunk says nothing about the whole body, so chunked bodies pass no expected end on.
class TLimitedStream : public TStream {
public:
    TLimitedStream(TStream& target, std::int64_t limit, bool totalKnown)
        : target_(target), limit_(limit), totalKnown_(totalKnown) {}
    std::int64_t Size() const override { return target_.Size(); }
    void SetSize(std::int64_t size) override { target_.SetSize(size); }
    std::int64_t Position() const override { return target_.Position(); }
    void SetPosition(std::int64_t position) override { target_.SetPosition(position); }
    void Write(const std::uint8_t* data, std::size_t count) override {
        written_ += static_cast<std::int64_t>(count);
        if (written_ > limit_)
            throw EIdBodyTooLarge();
        target_.Write(data, count);
    }
    std::size_t Read(std::uint8_t* data, std::size_t count) override {
        return target_.Read(data, count);
    }
    std::int64_t Written() const { return written_; }
    void Reserve(std::int64_t needed, std::int64_t expected) override {
        // Without a cap the limit is the largest count: keep the sum from overflowing.
        const std::int64_t room = limit_ - written_;
        const std::int64_t position = target_.Position();
        const std::int64_t cap = room > std::numeric_limits<std::int64_t>::max() - position
                                     ? std::numeric_limits<std::int64_t>::max()
                                     : position + room;
        target_.Reserve(std::min(needed, cap), totalKnown_ ? std::min(expected, cap) : -1);
    }

private:
    TStream& target_;
    std::int64_t limit_;
    std::int64_t written_ = 0;
    bool totalKnown_;
};

void ParseContentRange(const std::string& value, std::int64_t& start, std::int64_t& end,
                       std::int64_t& length) {
    const auto space = value.find(' ');
    const std::string range = space == std::string::npos ? std::string() : value.substr(space + 1);
    const auto dash = range.find('-');
    const auto slash = range.find('/');
    start = NumberOr<std::int64_t>(range.substr(0, dash), 0);
    end = dash == std::string::npos
              ? 0
              : NumberOr<std::int64_t>(range.substr(dash + 1, slash - dash - 1), 0);
    length = slash == std::string::npos ? 0 : NumberOr<std::int64_t>(range.substr(slash + 1), 0);
}

double ExpiresValue(const std::string& value) {
    const std::string trimmed = TrimText(value);
    const bool digits =
        !trimmed.empty() && trimmed.find_first_not_of("-0123456789") == std::string::npos;
    if (!digits)
        return ParseHttpDate(trimmed);
    const auto seconds = NumberOr<std::int64_t>(trimmed, -1);
    return seconds < 0 ? 0 : NowUtc() + static_cast<double>(seconds) / 86400.0;
}

// The single-valued fields a reply's head is read for.
enum TField {
    fContentLength,
    fContentType,
    fConnection,
    fProxyConnection,
    fLocation,
    fContentEncoding,
    fContentRange,
    fDate,
    fLastModified,
    fExpires,
    fCacheControl,
    fContentVersion,
    fContentDisposition,
    fContentLanguage,
    fETag,
    fPragma,
    fServer,
    fAcceptRanges,
    fFieldCount
};

constexpr std::string_view kFieldNames[fFieldCount] = {"Content-Length",
                                                       "Content-Type",
                                                       "Connection",
                                                       "Proxy-Connection",
                                                       "Location",
                                                       "Content-Encoding",
                                                       "Content-Range",
                                                       "Date",
                                                       "Last-Modified",
                                                       "Expires",
                                                       "Cache-control",
                                                       "Content-Version",
                                                       "Content-Disposition",
                                                       "Content-Language",
                                                       "ETag",
                                                       "Pragma",
                                                       "Server",
                                                       "Accept-Ranges"};

} // namespace

TTextEncoding CharsetEncoding(const std::string& contentType) {
    const auto at = AsciiUpper(contentType).find("CHARSET");
    if (at == std::string::npos)
        return te8Bit;
    std::string rest = TrimText(contentType.substr(at + 7));
    if (!rest.empty() && rest[0] == '=')
        rest = TrimText(rest.substr(1));
    std::string charset;
    if (!rest.empty() && rest[0] == '"')
        charset = rest.substr(1, rest.find('"', 1) - 1);
    else
        charset = rest.substr(0, rest.find(';'));
    return SameText(charset, "UTF-8") || SameText(charset, "UTF8") ? teUTF8 : te8Bit;
}

int TIdHTTPResponse::StatusCode() const {
    const auto space = StatusLine.find(' ');
    if (space == std::string::npos)
        return -1;
    const std::string_view rest = TrimView(std::string_view(StatusLine).substr(space + 1));
    return NumberOr<int>(rest.substr(0, rest.find(' ')), -1);
}

std::string TIdHTTPResponse::ReadLine() {
    TIdIOHandler& io = *http_.IOHandler();
    std::string line = io.ReadLine();
    if (io.ReadLnTimedOut())
        throw EIdReadTimeout();
    return line;
}

bool TIdHTTPResponse::ReadHeadLine(std::string& line) {
    TIdIOHandler& io = *http_.IOHandler();
    const bool whole = io.ReadLineUnlessEnded(line);
    if (io.ReadLnTimedOut())
        throw EIdReadTimeout();
    return whole;
}

void TIdHTTPResponse::ReadResponseHeaders() {
    HeaderLines.Clear();
    const auto limit = static_cast<std::size_t>(std::max(http_.HeaderLineLimit, 0));
    try {
        // The line read when the limit is reached is dropped: with exactly `limit` lines that
        // is the blank line ending the head, which must not be left for the body.
        std::string line;
        bool whole = ReadHeadLine(line);
        while (whole && !line.empty() && (limit == 0 || HeaderLines.Count() < limit)) {
            HeaderLines.Add(std::move(line));
            whole = ReadHeadLine(line);
        }
        if (!whole)
            EndHeadAtClose();
    } catch (const EIdConnClosedGracefully&) {
        // A transport may report the end itself.
        EndHeadAtClose();
    }
    ProcessHeaders();
}

void TIdHTTPResponse::EndHeadAtClose() {
    http_.CloseConnection();
    // The unfinished header line left in the buffer is no part of any body.
    http_.IOHandler()->DiscardInput();
}

void TIdHTTPResponse::ProcessHeaders() {
    // One pass over the lines: a field takes the value of the first line of its name.
    std::string values[fFieldCount];
    bool seen[fFieldCount] = {};
    WWWAuthenticate.clear();
    ProxyAuthenticate.clear();
    const TIdHeaderList& h = HeaderLines;
    for (std::size_t i = 0; i < h.Count(); ++i) {
        if (h.IsContinuation(i))
            continue;
        const std::string_view name = h.NameAt(i);
        if (SameText(name, "WWW-Authenticate")) {
            WWWAuthenticate.push_back(h.ValueAt(i));
            continue;
        }
        if (SameText(name, "Proxy-Authenticate")) {
            ProxyAuthenticate.push_back(h.ValueAt(i));
            continue;
        }
        for (int field = 0; field < fFieldCount; ++field)
            if (!seen[field] && SameText(name, kFieldNames[field])) {
                seen[field] = true;
                values[field] = h.ValueAt(i);
                break;
            }
    }
    ContentLength = NumberOr<std::int32_t>(values[fContentLength], -1);
    HasContentLength = ContentLength >= 0;
    BodyShort = false;
    ContentType = std::move(values[fContentType]);
    Connection = std::move(values[fConnection]);
    ProxyConnection = std::move(values[fProxyConnection]);
    Location = std::move(values[fLocation]);
    ContentEncoding = std::move(values[fContentEncoding]);
    ParseContentRange(values[fContentRange], ContentRangeStart, ContentRangeEnd,
                      ContentRangeInstanceLength);
    Date = ParseHttpDate(values[fDate]);
    LastModified = ParseHttpDate(values[fLastModified]);
    Expires = ExpiresValue(values[fExpires]);
    CacheControl = std::move(values[fCacheControl]);
    ContentVersion = std::move(values[fContentVersion]);
    ContentDisposition = std::move(values[fContentDisposition]);
    ContentLanguage = std::move(values[fContentLanguage]);
    ETag = std::move(values[fETag]);
    Pragma = std::move(values[fPragma]);
    Server = std::move(values[fServer]);
    AcceptRanges = std::move(values[fAcceptRanges]);
}

void TIdHTTPResponse::ReadBody(int waitMs) {
    if (BodyStream == nullptr)
        return;
    const bool chunked =
        AsciiLower(HeaderLines.Value("Transfer-Encoding")).find("chunked") != std::string::npos;
    TLimitedStream capped(*BodyStream,
                          http_.MaxBodySize > 0 ? http_.MaxBodySize
                                                : std::numeric_limits<std::int64_t>::max(),
                          !chunked);
    if (chunked)
        ReadChunked(capped);
    else if (ContentLength > 0 || !HasContentLength)
        ReadSized(capped, waitMs);
    BodyShort = !chunked && HasContentLength && capped.Written() < ContentLength;
}

void TIdHTTPResponse::ReadChunked(TStream& stream) {
    http_.DoStatus(hsStatusText, "Chunk Started");
    TIdIOHandler& io = *http_.IOHandler();
    for (std::int64_t size = ChunkSize(ReadLine()); size > 0; size = ChunkSize(ReadLine())) {
        io.ReadToStream(stream, size, false);
        ReadLine();
    }
    ReadLine();
}

bool TIdHTTPResponse::WaitForBody(int waitMs) {
    TIdIOHandler& io = *http_.IOHandler();
    if (waitMs >= 1)
        io.WaitForData(waitMs);
    return waitMs < 1 || !io.InputBufferEmpty();
}

void TIdHTTPResponse::ReadSized(TStream& stream, int waitMs) {
    if (!http_.IOHandler() || !WaitForBody(waitMs))
        return;
    // Without a length the body ends with the connection; a short body is kept as it came.
    http_.IOHandler()->ReadToStream(stream, HasContentLength ? ContentLength : -1, true);
}

void TIdHTTPResponse::DiscardBody(int waitMs) {
    TIdDiscardStream sink;
    TStream* saved = BodyStream;
    BodyStream = &sink;
    try {
        ReadBody(waitMs);
    } catch (...) {
        BodyStream = saved;
        throw;
    }
    BodyStream = saved;
}

bool TIdHTTPResponse::EvaluateKeepConnection() {
    if (http_.IOHandler() && http_.IsConnected())
        http_.IOHandler()->CheckDisconnect(false, false);
    KeepConnection = http_.IsConnected();
    if (!KeepConnection)
        return false;
    const std::string_view connection = TrimView(Connection);
    const std::string_view proxy = TrimView(ProxyConnection);
    if (http_.ProtocolVersion == pv1_0)
        KeepConnection = SameText(connection, "KEEP-ALIVE") || SameText(proxy, "KEEP-ALIVE");
    else
        KeepConnection = !SameText(connection, "CLOSE") && !SameText(proxy, "CLOSE");
    return KeepConnection;
}

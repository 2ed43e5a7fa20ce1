#pragma once
// The response record: status line, header lines and the fields parsed from them, and the
// rules that read a body off the connection.

#include "http/IdHeaderList.h"
#include "http/IdStream.h"
#include "http/IdTextEncoding.h"

#include <cstdint>
#include <string>
#include <vector>

class TIdCustomHTTP;

class TIdHTTPResponse {
public:
    explicit TIdHTTPResponse(TIdCustomHTTP& http) : http_(http) {}

    std::string StatusLine;
    bool KeepConnection = false;
    TIdHeaderList HeaderLines{1024};
    TStream* BodyStream = nullptr; // not owned

    std::int64_t ContentLength = -1;
    bool HasContentLength = false;
    // The connection ended before the Content-Length was read: the body is kept as it came, and
    // this says that it is not whole.
    bool BodyShort = false;
    std::string ContentType;
    std::string Connection;
    std::string ProxyConnection;
    std::string Location;
    std::string ContentEncoding;
    std::vector<std::string> WWWAuthenticate;
    std::vector<std::string> ProxyAuthenticate;
    std::int64_t ContentRangeStart = 0;
    std::int64_t ContentRangeEnd = 0;
    std::int64_t ContentRangeInstanceLength = 0;
    double Date = 0;
    double LastModified = 0;
    double Expires = 0;
    std::string CacheControl;
    std::string ContentVersion;
    std::string ContentDisposition;
    std::string ContentLanguage;
    std::string ETag;
    std::string Pragma;
    std::string Server;
    std::string AcceptRanges;

    // The number after the first space of StatusLine; -1 when there is none.
    int StatusCode() const;
    // One line of the reply. A read time-out ends the exchange at once (EIdReadTimeout): read
    // as an empty line it would pass for the end of the head and cost a time-out more.
    std::string ReadLine();
    void ReadResponseHeaders();
    // Fills the parsed fields from HeaderLines.
    void ProcessHeaders();
    // Reads the body into BodyStream (nothing without one); waitMs >= 1 first waits that long
    // for a body that may not come.
    void ReadBody(int waitMs);
    void DiscardBody(int waitMs);
    // Whether the connection may stay open after this exchange.
    bool EvaluateKeepConnection();

private:
    // A line of the head; false when the peer ended the stream before it was whole.
    bool ReadHeadLine(std::string& line);
    // The peer ended the stream within the head: what came is the whole head.
    void EndHeadAtClose();
    void ReadChunked(TStream& stream);
    void ReadSized(TStream& stream, int waitMs);
    bool WaitForBody(int waitMs);

    TIdCustomHTTP& http_;
};

// How the body text of a reply with this Content-Type is decoded.
TTextEncoding CharsetEncoding(const std::string& contentType);

#pragma once
// Every failure of the HTTP client is one of these, rooted at EIdException, each with a fixed
// English message.

#include <stdexcept>
#include <string>

class EIdException : public std::runtime_error {
public:
    explicit EIdException(const std::string& message) : std::runtime_error(message) {}
};

// Failures that mark an ordinary end of a stream rather than a fault.
class EIdSilentException : public EIdException {
    using EIdException::EIdException;
};

class EIdConnClosedGracefully : public EIdSilentException {
public:
    EIdConnClosedGracefully() : EIdSilentException("Connection Closed Gracefully.") {}
};

class EIdSocketError : public EIdException {
public:
    EIdSocketError(int code, const std::string& message) : EIdException(message), code_(code) {}
    int LastError() const { return code_; }

private:
    int code_;
};

class EIdNotASocket : public EIdSocketError {
    using EIdSocketError::EIdSocketError;
};

#define ZENTRILO_ID_FIXED_ERROR(Name, Base, Text)                                                  \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        Name() : Base(Text) {}                                                                     \
    };

#define ZENTRILO_ID_ERROR(Name, Base)                                                              \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        using Base::Base;                                                                          \
    };

// The client gave up on a reply before its end (a time-out, the bound on the exchange, a cancel,
// the body cap): what came of it is not the reply, and the connection is at an unknown place.
ZENTRILO_ID_ERROR(EIdCutShort, EIdException)

ZENTRILO_ID_FIXED_ERROR(EIdConnectTimeout, EIdException, "Connect timed out.")
ZENTRILO_ID_ERROR(EIdConnectException, EIdException)
ZENTRILO_ID_FIXED_ERROR(EIdReadTimeout, EIdCutShort, "Read timed out.")
ZENTRILO_ID_FIXED_ERROR(EIdReadLnMaxLineLengthExceeded, EIdException, "Max line length exceeded.")
ZENTRILO_ID_FIXED_ERROR(EIdNotConnected, EIdException, "Not Connected")
ZENTRILO_ID_FIXED_ERROR(EIdClosedSocket, EIdException, "Disconnected.")
ZENTRILO_ID_FIXED_ERROR(EIdAlreadyConnected, EIdException, "Already connected.")
ZENTRILO_ID_FIXED_ERROR(EIdHostRequired, EIdException, "")
ZENTRILO_ID_FIXED_ERROR(EIdPortRequired, EIdException, "")
ZENTRILO_ID_ERROR(EIdSocketHandleError, EIdException)
ZENTRILO_ID_FIXED_ERROR(EIdCouldNotBindSocket, EIdSocketHandleError,
                        "Could not bind socket. Address and port are already in use.")
ZENTRILO_ID_ERROR(EIdStackError, EIdException)
ZENTRILO_ID_FIXED_ERROR(EIdIPv6Unavailable, EIdException, "IPv6 unavailable")
ZENTRILO_ID_FIXED_ERROR(EIdIPVersionUnsupported, EIdStackError,
                        "The requested IPVersion / Address family is not supported.")
ZENTRILO_ID_ERROR(EIdStackInitializationFailed, EIdStackError)
ZENTRILO_ID_ERROR(EIdNotEnoughDataInBuffer, EIdException)
ZENTRILO_ID_FIXED_ERROR(EIdTooMuchDataInBuffer, EIdException, "Too much data in buffer.")
ZENTRILO_ID_FIXED_ERROR(EIdNoEncodingSpecified, EIdException, "No encoding specified.")
ZENTRILO_ID_ERROR(EIdTCPConnectionError, EIdException)
ZENTRILO_ID_FIXED_ERROR(EIdIOHandlerPropInvalid, EIdTCPConnectionError,
                        "IOHandler value is not valid")
ZENTRILO_ID_FIXED_ERROR(EIdUnknownProtocol, EIdException, "Unknown Protocol")
ZENTRILO_ID_ERROR(EIdURIException, EIdException)
// A request target or host with control characters would smuggle extra header lines.
ZENTRILO_ID_FIXED_ERROR(EIdInvalidRequestTarget, EIdException,
                        "Request target or host contains control characters.")
// A chunk size that is negative or does not fit 64 bits cannot be framed safely.
ZENTRILO_ID_FIXED_ERROR(EIdInvalidChunkSize, EIdException, "Invalid chunk size.")
// The caller's cap on body bytes was reached.
ZENTRILO_ID_FIXED_ERROR(EIdBodyTooLarge, EIdCutShort, "Body size limit exceeded.")
// The bound on the whole exchange passed (TIdDeadline).
ZENTRILO_ID_FIXED_ERROR(EIdDeadlineExceeded, EIdCutShort, "Request timed out.")
// Another thread abandoned the exchange (TIdDeadline::Cancel).
ZENTRILO_ID_FIXED_ERROR(EIdCancelled, EIdCutShort, "Request cancelled.")
// Every lookup thread the client may keep is still waiting on the system's resolver (lookups
// abandoned at their bound): a new one is refused rather than piled up.
ZENTRILO_ID_FIXED_ERROR(EIdLookupBusy, EIdException, "Host lookup busy")
// A TLS handshake or record failed; the message says what in words a user can act on.
ZENTRILO_ID_ERROR(EIdTLSError, EIdException)
ZENTRILO_ID_ERROR(EIdReplyError, EIdException)
ZENTRILO_ID_ERROR(EIdReplyRFCError, EIdReplyError)

#undef ZENTRILO_ID_FIXED_ERROR
#undef ZENTRILO_ID_ERROR

class EIdHTTPProtocolException : public EIdReplyRFCError {
public:
    EIdHTTPProtocolException(const std::string& statusLine, int replyCode, std::u16string replyBody)
        : EIdReplyRFCError(statusLine), replyCode_(replyCode), replyBody_(std::move(replyBody)) {}
    int ReplyCode() const { return replyCode_; }
    const std::u16string& ReplyBody() const { return replyBody_; }

private:
    int replyCode_;
    std::u16string replyBody_;
};

// The runtime's range error, raised for a port outside 0 to 65535.
class ERangeError : public std::out_of_range {
public:
    ERangeError() : std::out_of_range("Range check error") {}
};

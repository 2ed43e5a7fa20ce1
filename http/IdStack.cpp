// The platform-independent half of the socket wrapper; the calls themselves live in the
// platform's own file (IdStackPosix.cpp).
#include "http/IdStack.h"

#include "http/IdAsciiCase.h"
#include "http/IdDeadline.h"
#include "http/IdExceptions.h"
#include "http/IdHelperThread.h"

#include <memory>
#include <optional>
#include <utility>

namespace {

constexpr std::pair<int, const char*> kSocketErrorTexts[] = {
    {10004, "Interrupted system call."},
    {10009, "Bad file number."},
    {10013, "Access denied."},
    {10014, "Buffer fault."},
    {10022, "Invalid argument."},
    {10024, "Too many open files."},
    {10035, "Operation would block."},
    {10036, "Operation now in progress."},
    {10037, "Operation already in progress."},
    {10038, "Socket operation on non-socket."},
    {10039, "Destination address required."},
    {10040, "Message too long."},
    {10041, "Protocol wrong type for socket."},
    {10042, "Bad protocol option."},
    {10043, "Protocol not supported."},
    {10044, "Socket type not supported."},
    {10045, "Operation not supported on socket."},
    {10046, "Protocol family not supported."},
    {10047, "Address family not supported by protocol family."},
    {10048, "Address already in use."},
    {10049, "Cannot assign requested address."},
    {10050, "Network is down."},
    {10051, "Network is unreachable."},
    {10052, "Net dropped connection or reset."},
    {10053, "Software caused connection abort."},
    {10054, "Connection reset by peer."},
    {10055, "No buffer space available."},
    {10056, "Socket is already connected."},
    {10057, "Socket is not connected."},
    {10058, "Cannot send or receive after socket is closed."},
    {10059, "Too many references, cannot splice."},
    {10060, "Connection timed out."},
    {10061, "Connection refused."},
    {10062, "Too many levels of symbolic links."},
    {10063, "File name too long."},
    {10064, "Host is down."},
    {10065, "No route to host."},
    {10066, "Directory not empty"},
    {11001, "Host not found."},
    {11002, "Host not found, try again."},
    {11003, "Non-recoverable error."},
    {11004, "Valid name, no data record of requested type."},
};

} // namespace

TIdStack& TIdStack::Instance() {
    static TIdStack stack;
    return stack;
}

std::string TIdStack::SocketErrorText(int code) {
    for (const auto& [number, text] : kSocketErrorTexts)
        if (number == code)
            return text;
    return {};
}

void TIdStack::RaiseSocketError(int code) {
    const std::string message =
        "Socket Error # " + std::to_string(code) + "\r\n" + SocketErrorText(code);
    if (code == 10038)
        throw EIdNotASocket(code, message);
    throw EIdSocketError(code, message);
}

bool TIdStack::IsIPv4Literal(const std::string& text) {
    std::size_t start = 0;
    for (int piece = 0; piece < 4; ++piece) {
        const std::size_t dot = text.find('.', start);
        const bool last = piece == 3;
        if (last != (dot == std::string::npos))
            return false;
        const std::string part = text.substr(start, last ? std::string::npos : dot - start);
        if (part.empty() || part.size() > 3 ||
            part.find_first_not_of("0123456789") != std::string::npos || std::stoi(part) > 255)
            return false;
        start = dot + 1;
    }
    return true;
}

std::string TIdStack::LookupAddress(const std::string& host, TIdIPVersion ipVersion,
                                    const TIdDeadline* deadline) {
    if (ipVersion == Id_IPv4) {
        if (SameText(host, "LOCALHOST"))
            return "127.0.0.1";
        if (IsIPv4Literal(host))
            return host;
    } else if (ipVersion == Id_IPv6) {
        std::string canonical = CanonicalIPv6(host);
        if (!canonical.empty())
            return canonical;
    } else {
        throw EIdIPVersionUnsupported();
    }
    return deadline ? ResolveNameWithin(host, ipVersion, *deadline) : ResolveName(host, ipVersion);
}

std::string TIdStack::ResolveNameWithin(const std::string& host, TIdIPVersion ipVersion,
                                        const TIdDeadline& deadline) {
    deadline.Check(); // a cancelled fetch starts no thread
    // A resolver that never answers keeps each abandoned lookup's thread for its own time-out:
    // they are bounded, and a lookup beyond the bound fails at once.
    if (lookupThreads_.fetch_add(1) >= kMaxLookupThreads) {
        --lookupThreads_;
        throw EIdLookupBusy();
    }
    // The thread may outlive this call, so it owns its copy of the host and of the answer.
    auto address = std::make_shared<std::string>();
    std::optional<TIdHelperThread> lookup;
    try {
        lookup.emplace([this, address, host, ipVersion] {
            struct TEnd {
                std::atomic<int>& threads;
                ~TEnd() { --threads; }
            } end{lookupThreads_};
            *address = ResolveName(host, ipVersion);
        });
    } catch (...) {
        --lookupThreads_; // no thread was started
        throw;
    }
    try {
        IdWait(&deadline, -1, [&](int ms) { return lookup->WaitFor(ms); });
    } catch (...) {
        lookup->Abandon();
        throw;
    }
    lookup->Join();
    if (const std::exception_ptr failure = lookup->Failure())
        std::rethrow_exception(failure);
    return *address;
}

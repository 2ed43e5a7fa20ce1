// The socket wrapper over POSIX sockets and getaddrinfo.
#include "http/IdStack.h"

#include "http/IdExceptions.h"
#include "http/IdStackAddress.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <utility>

namespace {

// The one translation from the system's failures to the Windows socket error numbers.
constexpr std::pair<int, int> kErrnoToCode[] = {
    {EINTR, 10004},           {EBADF, 10009},        {EACCES, 10013},
    {EFAULT, 10014},          {EINVAL, 10022},       {EMFILE, 10024},
    {EWOULDBLOCK, 10035},     {EINPROGRESS, 10036},  {EALREADY, 10037},
    {ENOTSOCK, 10038},        {EDESTADDRREQ, 10039}, {EMSGSIZE, 10040},
    {EPROTOTYPE, 10041},      {ENOPROTOOPT, 10042},  {EPROTONOSUPPORT, 10043},
    {ESOCKTNOSUPPORT, 10044}, {EOPNOTSUPP, 10045},   {EPFNOSUPPORT, 10046},
    {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},   {EADDRNOTAVAIL, 10049},
    {ENETDOWN, 10050},        {ENETUNREACH, 10051},  {ENETRESET, 10052},
    {ECONNABORTED, 10053},    {ECONNRESET, 10054},   {EPIPE, 10054},
    {ENOBUFS, 10055},         {EISCONN, 10056},      {ENOTCONN, 10057},
    {ESHUTDOWN, 10058},       {ETOOMANYREFS, 10059}, {ETIMEDOUT, 10060},
    {ECONNREFUSED, 10061},    {ELOOP, 10062},        {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},       {EHOSTUNREACH, 10065}, {ENOTEMPTY, 10066},
};

constexpr std::pair<int, int> kResolverToCode[] = {
    {EAI_NONAME, 11001}, {EAI_AGAIN, 11002},  {EAI_FAIL, 11003},
    {EAI_NODATA, 11004}, {EAI_FAMILY, 10047}, {EAI_MEMORY, 10055},
};

[[noreturn]] void RaiseLastError() {
    TIdStack::RaiseSocketError(TIdStack::TranslateErrno(errno));
}

int FamilyOf(TIdIPVersion ipVersion) {
    return ipVersion == Id_IPv6 ? AF_INET6 : AF_INET;
}

int Fd(TIdStackSocketHandle handle) {
    return static_cast<int>(handle);
}

// Whether the socket is ready for `events` within timeoutMs (-1: no limit).
bool PollFor(TIdStackSocketHandle handle, short events, int timeoutMs) {
    pollfd entry{Fd(handle), events, 0};
    for (;;) {
        const int result = ::poll(&entry, 1, timeoutMs < 0 ? -1 : timeoutMs);
        if (result >= 0)
            return result > 0;
        if (errno != EINTR)
            RaiseLastError();
    }
}

bool WouldBlock(int flags) {
    return (flags & MSG_DONTWAIT) != 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
}

// recv with `flags`; -1 when MSG_DONTWAIT found nothing.
ssize_t ReceiveWith(TIdStackSocketHandle handle, std::uint8_t* data, std::size_t count, int flags) {
    for (;;) {
        const ssize_t received = ::recv(Fd(handle), data, count, flags);
        if (received >= 0)
            return received;
        if (WouldBlock(flags))
            return -1;
        if (errno != EINTR)
            RaiseLastError();
    }
}

// send with `flags`; -1 when MSG_DONTWAIT could send nothing.
ssize_t SendWith(TIdStackSocketHandle handle, const std::uint8_t* data, std::size_t count,
                 int flags) {
    for (;;) {
        // A peer that went away must give an error, not a signal that ends the process.
        const ssize_t sent = ::send(Fd(handle), data, count, flags | MSG_NOSIGNAL);
        if (sent >= 0)
            return sent;
        if (WouldBlock(flags))
            return -1;
        if (errno != EINTR)
            RaiseLastError();
    }
}

} // namespace

int TIdStack::TranslateErrno(int error) {
    for (const auto& [system, code] : kErrnoToCode)
        if (system == error)
            return code;
    return error;
}

TIdStackSocketHandle TIdStack::NewSocketHandle(TIdIPVersion ipVersion) {
    const int fd = ::socket(FamilyOf(ipVersion), SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        RaiseLastError();
    return fd;
}

void TIdStack::SetReuseAddress(TIdStackSocketHandle handle) {
    const int on = 1;
    if (::setsockopt(Fd(handle), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0)
        RaiseLastError();
}

void TIdStack::SetNoDelay(TIdStackSocketHandle handle, bool noDelay) {
    const int value = noDelay ? 1 : 0;
    if (::setsockopt(Fd(handle), IPPROTO_TCP, TCP_NODELAY, &value, sizeof value) != 0)
        RaiseLastError();
}

void TIdStack::Bind(TIdStackSocketHandle handle, const std::string& ip, std::uint16_t port,
                    TIdIPVersion ipVersion) {
    sockaddr_storage address;
    const socklen_t length = MakeAddress(address, ip, port, ipVersion);
    if (::bind(Fd(handle), reinterpret_cast<sockaddr*>(&address), length) != 0)
        RaiseLastError();
}

void TIdStack::Connect(TIdStackSocketHandle handle, const std::string& ip, std::uint16_t port,
                       TIdIPVersion ipVersion) {
    sockaddr_storage address;
    const socklen_t length = MakeAddress(address, ip, port, ipVersion);
    if (::connect(Fd(handle), reinterpret_cast<sockaddr*>(&address), length) == 0)
        return;
    if (errno != EINTR)
        RaiseLastError();
    // An interrupted connect goes on in the background: wait for its end and take its result.
    pollfd entry{Fd(handle), POLLOUT, 0};
    while (::poll(&entry, 1, -1) < 0 && errno == EINTR) {
    }
    int error = 0;
    socklen_t size = sizeof error;
    ::getsockopt(Fd(handle), SOL_SOCKET, SO_ERROR, &error, &size);
    if (error != 0)
        RaiseSocketError(TranslateErrno(error));
}

void TIdStack::GetSocketName(TIdStackSocketHandle handle, std::string& ip, std::uint16_t& port) {
    sockaddr_storage address;
    socklen_t length = sizeof address;
    if (::getsockname(Fd(handle), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        RaiseLastError();
    SplitAddress(address, ip, port);
}

void TIdStack::GetPeerName(TIdStackSocketHandle handle, std::string& ip, std::uint16_t& port) {
    sockaddr_storage address;
    socklen_t length = sizeof address;
    if (::getpeername(Fd(handle), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        RaiseLastError();
    SplitAddress(address, ip, port);
}

bool TIdStack::Readable(TIdStackSocketHandle handle, int timeoutMs) {
    return PollFor(handle, POLLIN, timeoutMs);
}

bool TIdStack::Writable(TIdStackSocketHandle handle, int timeoutMs) {
    return PollFor(handle, POLLOUT, timeoutMs);
}

std::size_t TIdStack::Receive(TIdStackSocketHandle handle, std::uint8_t* data, std::size_t count) {
    return static_cast<std::size_t>(ReceiveWith(handle, data, count, 0));
}

std::size_t TIdStack::Send(TIdStackSocketHandle handle, const std::uint8_t* data,
                           std::size_t count) {
    return static_cast<std::size_t>(SendWith(handle, data, count, 0));
}

std::ptrdiff_t TIdStack::ReceiveNow(TIdStackSocketHandle handle, std::uint8_t* data,
                                    std::size_t count) {
    return ReceiveWith(handle, data, count, MSG_DONTWAIT);
}

std::ptrdiff_t TIdStack::SendNow(TIdStackSocketHandle handle, const std::uint8_t* data,
                                 std::size_t count) {
    return SendWith(handle, data, count, MSG_DONTWAIT);
}

void TIdStack::Close(TIdStackSocketHandle handle) {
    ::shutdown(Fd(handle), SHUT_WR);
    ::close(Fd(handle));
}

bool TIdStack::InterruptConnect(TIdStackSocketHandle handle) {
    ::shutdown(Fd(handle), SHUT_RDWR);
    return false;
}

std::string TIdStack::CanonicalIPv6(const std::string& text) {
    in6_addr address;
    if (inet_pton(AF_INET6, text.c_str(), &address) != 1)
        return {};
    char canonical[INET6_ADDRSTRLEN] = {};
    inet_ntop(AF_INET6, &address, canonical, sizeof canonical);
    return canonical;
}

std::string TIdStack::ResolveName(const std::string& host, TIdIPVersion ipVersion) {
    if (IsReservedInvalidName(host))
        RaiseSocketError(11001);
    addrinfo hints{};
    hints.ai_family = FamilyOf(ipVersion);
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int result = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> answer(found, &::freeaddrinfo);
    if (result == EAI_SYSTEM)
        RaiseLastError();
    if (result != 0) {
        int code = 11003;
        for (const auto& [resolver, number] : kResolverToCode)
            if (resolver == result)
                code = number;
        RaiseSocketError(code);
    }
    sockaddr_storage address{};
    std::memcpy(&address, answer->ai_addr, answer->ai_addrlen);
    std::string ip;
    std::uint16_t port = 0;
    SplitAddress(address, ip, port);
    return ip;
}

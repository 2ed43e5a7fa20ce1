// The socket wrapper over Winsock 2: the library's own error numbers are the table's numbers,
// so every failure passes WSAGetLastError through unchanged.
#include "http/IdStack.h"

#include "http/IdExceptions.h"
#include "http/IdStackAddress.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

[[noreturn]] void RaiseLastError() {
    TIdStack::RaiseSocketError(::WSAGetLastError());
}

// The library starts once per process, before the first socket; a start that failed stays
// failed, so every later use reports it again.
void StartLibrary() {
    static const int result = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data);
    }();
    if (result != 0)
        throw EIdStackInitializationFailed("Socket Error # " + std::to_string(result) + "\r\n" +
                                           TIdStack::SocketErrorText(result));
}

int FamilyOf(TIdIPVersion ipVersion) {
    return ipVersion == Id_IPv6 ? AF_INET6 : AF_INET;
}

SOCKET Sock(TIdStackSocketHandle handle) {
    return static_cast<SOCKET>(handle);
}

// Winsock has no "don't wait" flag: the socket is non-blocking for this one call and blocking
// again after it. -1 when the call would have had to wait.
template <typename TCall> std::ptrdiff_t WithoutWaiting(TIdStackSocketHandle handle, TCall call) {
    u_long nonBlocking = 1;
    if (::ioctlsocket(Sock(handle), FIONBIO, &nonBlocking) != 0)
        RaiseLastError();
    const int result = call();
    const int error = ::WSAGetLastError();
    u_long blocking = 0;
    ::ioctlsocket(Sock(handle), FIONBIO, &blocking);
    if (result != SOCKET_ERROR)
        return result;
    if (error == WSAEWOULDBLOCK)
        return -1;
    TIdStack::RaiseSocketError(error);
}

// The error a failed socket holds, or a reset when it holds none any more.
int PendingError(SOCKET socket) {
    int error = 0;
    int length = sizeof error;
    ::getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length);
    return error != 0 ? error : WSAECONNRESET;
}

// Whether the socket is ready for `events` within timeoutMs (-1: no limit).
bool PollFor(TIdStackSocketHandle handle, short events, int timeoutMs) {
    WSAPOLLFD entry{};
    entry.fd = Sock(handle);
    entry.events = events;
    const int result = ::WSAPoll(&entry, 1, timeoutMs < 0 ? -1 : timeoutMs);
    if (result == SOCKET_ERROR)
        RaiseLastError();
    // A reset reported here may already be gone from the socket (Wine clears it), and the
    // next receive would then see an ordinary end of stream: report it now.
    if ((entry.revents & POLLERR) != 0 && (entry.revents & events) == 0)
        TIdStack::RaiseSocketError(PendingError(Sock(handle)));
    return result > 0;
}

// getaddrinfo answers with the library's own numbers, except for memory exhaustion.
int ResolverCode(int result) {
    return result == EAI_MEMORY ? WSAENOBUFS : result;
}

} // namespace

TIdStackSocketHandle TIdStack::NewSocketHandle(TIdIPVersion ipVersion) {
    StartLibrary();
    // Not inherited, like the close-on-exec sockets elsewhere: a started program must not
    // keep our connections open.
    const SOCKET socket = ::WSASocketW(FamilyOf(ipVersion), SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                                       WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (socket == INVALID_SOCKET)
        RaiseLastError();
    return static_cast<TIdStackSocketHandle>(socket);
}

void TIdStack::SetReuseAddress(TIdStackSocketHandle handle) {
    const BOOL on = TRUE;
    if (::setsockopt(Sock(handle), SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&on),
                     sizeof on) != 0)
        RaiseLastError();
}

void TIdStack::SetNoDelay(TIdStackSocketHandle handle, bool noDelay) {
    const BOOL value = noDelay ? TRUE : FALSE;
    if (::setsockopt(Sock(handle), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&value),
                     sizeof value) != 0)
        RaiseLastError();
}

void TIdStack::Bind(TIdStackSocketHandle handle, const std::string& ip, std::uint16_t port,
                    TIdIPVersion ipVersion) {
    sockaddr_storage address;
    const int length = MakeAddress(address, ip, port, ipVersion);
    if (::bind(Sock(handle), reinterpret_cast<sockaddr*>(&address), length) != 0)
        RaiseLastError();
}

void TIdStack::Connect(TIdStackSocketHandle handle, const std::string& ip, std::uint16_t port,
                       TIdIPVersion ipVersion) {
    sockaddr_storage address;
    const int length = MakeAddress(address, ip, port, ipVersion);
    if (::connect(Sock(handle), reinterpret_cast<sockaddr*>(&address), length) == 0)
        return;
    const int error = ::WSAGetLastError();
    // A blocking call ended by closing its socket on another thread is reported as
    // interrupted; to the caller it is a socket that is gone.
    RaiseSocketError(error == WSAEINTR ? WSAENOTSOCK : error);
}

void TIdStack::GetSocketName(TIdStackSocketHandle handle, std::string& ip, std::uint16_t& port) {
    sockaddr_storage address;
    int length = sizeof address;
    if (::getsockname(Sock(handle), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        RaiseLastError();
    SplitAddress(address, ip, port);
}

void TIdStack::GetPeerName(TIdStackSocketHandle handle, std::string& ip, std::uint16_t& port) {
    sockaddr_storage address;
    int length = sizeof address;
    if (::getpeername(Sock(handle), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        RaiseLastError();
    SplitAddress(address, ip, port);
}

bool TIdStack::Readable(TIdStackSocketHandle handle, int timeoutMs) {
    return PollFor(handle, POLLRDNORM, timeoutMs);
}

bool TIdStack::Writable(TIdStackSocketHandle handle, int timeoutMs) {
    return PollFor(handle, POLLWRNORM, timeoutMs);
}

std::size_t TIdStack::Receive(TIdStackSocketHandle handle, std::uint8_t* data, std::size_t count) {
    const int chunk = static_cast<int>(std::min<std::size_t>(count, 1 << 30));
    const int received = ::recv(Sock(handle), reinterpret_cast<char*>(data), chunk, 0);
    if (received == SOCKET_ERROR)
        RaiseLastError();
    return static_cast<std::size_t>(received);
}

std::size_t TIdStack::Send(TIdStackSocketHandle handle, const std::uint8_t* data,
                           std::size_t count) {
    const int chunk = static_cast<int>(std::min<std::size_t>(count, 1 << 30));
    const int sent = ::send(Sock(handle), reinterpret_cast<const char*>(data), chunk, 0);
    if (sent == SOCKET_ERROR)
        RaiseLastError();
    return static_cast<std::size_t>(sent);
}

std::ptrdiff_t TIdStack::ReceiveNow(TIdStackSocketHandle handle, std::uint8_t* data,
                                    std::size_t count) {
    const int chunk = static_cast<int>(std::min<std::size_t>(count, 1 << 30));
    return WithoutWaiting(
        handle, [&] { return ::recv(Sock(handle), reinterpret_cast<char*>(data), chunk, 0); });
}

std::ptrdiff_t TIdStack::SendNow(TIdStackSocketHandle handle, const std::uint8_t* data,
                                 std::size_t count) {
    const int chunk = static_cast<int>(std::min<std::size_t>(count, 1 << 30));
    return WithoutWaiting(handle, [&] {
        return ::send(Sock(handle), reinterpret_cast<const char*>(data), chunk, 0);
    });
}

void TIdStack::Close(TIdStackSocketHandle handle) {
    ::shutdown(Sock(handle), SD_SEND);
    ::closesocket(Sock(handle));
}

bool TIdStack::InterruptConnect(TIdStackSocketHandle handle) {
    Close(handle);
    return true;
}

std::string TIdStack::CanonicalIPv6(const std::string& text) {
    in6_addr address;
    if (::inet_pton(AF_INET6, text.c_str(), &address) != 1)
        return {};
    char canonical[INET6_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET6, &address, canonical, sizeof canonical);
    return canonical;
}

std::string TIdStack::ResolveName(const std::string& host, TIdIPVersion ipVersion) {
    if (IsReservedInvalidName(host))
        RaiseSocketError(WSAHOST_NOT_FOUND);
    StartLibrary();
    addrinfo hints{};
    hints.ai_family = FamilyOf(ipVersion);
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int result = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> answer(found, &::freeaddrinfo);
    if (result != 0)
        RaiseSocketError(ResolverCode(result));
    sockaddr_storage address{};
    std::memcpy(&address, answer->ai_addr, answer->ai_addrlen);
    std::string ip;
    std::uint16_t port = 0;
    SplitAddress(address, ip, port);
    return ip;
}

#include "tests/support/PortableSocket.h"

#ifndef _WIN32
#include <fcntl.h>
#endif

#ifdef _WIN32

namespace {

void StartLibrary() {
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

// Winsock polls sockets only, so the wake pair is a connected loopback pair.
bool ConnectedPair(int pair[2]) {
    const int listener = OpenTcpSocket();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    const bool listening =
        listener >= 0 && ::bind(listener, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        ::listen(listener, 1) == 0 &&
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    pair[1] = listening ? OpenTcpSocket() : -1;
    const bool connected = pair[1] >= 0 && ::connect(pair[1], reinterpret_cast<sockaddr*>(&address),
                                                     sizeof address) == 0;
    pair[0] = connected ? AcceptSocket(listener) : -1;
    CloseSocket(listener);
    return pair[0] >= 0;
}

} // namespace

int OpenTcpSocket(bool nonBlocking) {
    StartLibrary();
    const SOCKET socket =
        ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (socket == INVALID_SOCKET)
        return -1;
    u_long on = nonBlocking ? 1 : 0;
    ::ioctlsocket(socket, FIONBIO, &on);
    return static_cast<int>(socket);
}

int AcceptSocket(int listener) {
    const SOCKET socket = ::accept(static_cast<SOCKET>(listener), nullptr, nullptr);
    return socket == INVALID_SOCKET ? -1 : static_cast<int>(socket);
}

void CloseSocket(int fd) {
    ::closesocket(static_cast<SOCKET>(fd));
}

bool OpenWakePair(int wake[2]) {
    return ConnectedPair(wake);
}

void SendWake(int wake) {
    const char byte = 1;
    ::send(static_cast<SOCKET>(wake), &byte, 1, 0);
}

int PollSockets(pollfd* entries, unsigned count, int timeoutMs) {
    return ::WSAPoll(entries, count, timeoutMs);
}

void SetAbortiveClose(int fd) {
    const linger abort{1, 0};
    ::setsockopt(static_cast<SOCKET>(fd), SOL_SOCKET, SO_LINGER,
                 reinterpret_cast<const char*>(&abort), sizeof abort);
}

#else

int OpenTcpSocket(bool nonBlocking) {
    return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | (nonBlocking ? SOCK_NONBLOCK : 0), 0);
}

int AcceptSocket(int listener) {
    return ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

void CloseSocket(int fd) {
    ::close(fd);
}

bool OpenWakePair(int wake[2]) {
    return ::pipe2(wake, O_CLOEXEC) == 0;
}

void SendWake(int wake) {
    const char byte = 1;
    (void)!::write(wake, &byte, 1);
}

int PollSockets(pollfd* entries, unsigned count, int timeoutMs) {
    return ::poll(entries, count, timeoutMs);
}

void SetAbortiveClose(int fd) {
    const linger abort{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
}

#endif

void CloseWakePair(const int wake[2]) {
    CloseSocket(wake[0]);
    CloseSocket(wake[1]);
}

pollfd PollEntry(int fd, short events) {
    pollfd entry{};
    entry.fd = fd;
    entry.events = events;
    return entry;
}

#include "tools/loopback/LoopbackListener.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

std::uint16_t BindLoopback(int fd, std::uint16_t port) {
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

std::uint16_t ListenOnLoopback(int fd, int backlog, std::uint16_t port) {
    const std::uint16_t bound = BindLoopback(fd, port);
    if (bound == 0 || ::listen(fd, backlog) != 0)
        return 0;
    return bound;
}

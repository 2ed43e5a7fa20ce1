#include "tools/loopback/LoopbackSend.h"

#include <algorithm>
#include <cstddef>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace {

// One send of at most `count` bytes; 0 or less when the peer has gone.
long SendSome(int fd, const char* data, std::size_t count) {
#ifdef _WIN32
    const int chunk = static_cast<int>(std::min<std::size_t>(count, 1 << 30));
    return ::send(static_cast<SOCKET>(fd), data, chunk, 0);
#else
    return ::send(fd, data, count, MSG_NOSIGNAL); // a peer that went away raises no signal
#endif
}

} // namespace

void SendAll(int fd, const std::string& bytes) {
    for (std::size_t sent = 0; sent < bytes.size();) {
        const long n = SendSome(fd, bytes.data() + sent, bytes.size() - sent);
        if (n <= 0)
            return;
        sent += static_cast<std::size_t>(n);
    }
}

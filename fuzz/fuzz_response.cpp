// The response reader on any bytes a server may send: status line, headers, chunked,
// Content-Length and until-close bodies. The client has no in-memory socket, so a loopback
// peer on its own thread answers every request with the fuzz input and then closes.
#include "http/IdExceptions.h"
#include "http/IdHTTP.h"
#include "tools/loopback/LoopbackListener.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace {

class TPeer {
public:
    TPeer() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        url_ = "http://127.0.0.1:" + std::to_string(ListenOnLoopback(listener_, 16)) + "/x";
        std::thread(&TPeer::Run, this).detach();
    }

    const std::string& Url() const { return url_; }
    void SetReply(std::string reply) {
        std::lock_guard guard(mutex_);
        reply_ = std::move(reply);
    }

private:
    std::string Reply() {
        std::lock_guard guard(mutex_);
        return reply_;
    }

    static bool Receive(int fd, std::string& into) {
        pollfd entry{fd, POLLIN, 0};
        char chunk[4096];
        if (::poll(&entry, 1, 2000) <= 0)
            return false;
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            return false;
        into.append(chunk, static_cast<std::size_t>(n));
        return true;
    }

    void Serve(int fd) {
        std::string request;
        while (request.find("\r\n\r\n") == std::string::npos && Receive(fd, request)) {
        }
        const std::string reply = Reply();
        for (std::size_t sent = 0; sent < reply.size();) {
            const ssize_t n = ::send(fd, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<std::size_t>(n);
        }
        ::shutdown(fd, SHUT_WR);
        while (Receive(fd, request)) {
        }
        ::close(fd);
    }

    void Run() {
        for (;;) {
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0)
                Serve(fd);
        }
    }

    int listener_ = -1;
    std::string url_;
    std::mutex mutex_;
    std::string reply_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static TPeer peer;
    if (size == 0)
        return 0;
    // The first byte picks the entry point; the rest goes out on the wire.
    peer.SetReply(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    TIdHTTP http;
    http.ConnectTimeout = 1000;
    http.ReadTimeout = 2000;
    http.MaxBodySize = 1 << 20;
    try {
        if (data[0] & 1) {
            (void)http.GetAsText(peer.Url());
        } else {
            TMemoryStream stream;
            http.GetIntoStream(peer.Url(), &stream);
        }
    } catch (const EIdException&) {
    }
    return 0;
}

#include "tests/http/sandbox/FakeResolver.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>

namespace {

constexpr std::size_t kHeaderSize = 12;
constexpr int kNoError = 0, kServFail = 2, kNxDomain = 3, kRefused = 5;
constexpr std::uint16_t kTypeA = 1;

std::uint16_t Word(const std::string& packet, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(packet[at]) << 8 |
                                      static_cast<unsigned char>(packet[at + 1]));
}

void PutWord(std::string& packet, std::uint16_t value) {
    packet += static_cast<char>(value >> 8);
    packet += static_cast<char>(value & 0xFF);
}

// The end of the question (after its name, type and class), or 0 when the query is malformed.
std::size_t QuestionEnd(const std::string& query) {
    std::size_t at = kHeaderSize;
    while (at < query.size() && query[at] != 0)
        at += 1 + static_cast<unsigned char>(query[at]);
    return at + 5 <= query.size() ? at + 5 : 0;
}

std::string FirstLabel(const std::string& query) {
    const auto length = static_cast<unsigned char>(query[kHeaderSize]);
    return query.substr(kHeaderSize + 1, length);
}

} // namespace

TFakeResolver::TFakeResolver() {
    socket_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(53);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (socket_ < 0 ||
        ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::pipe2(wake_, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot serve DNS on 127.0.0.1:53");
    thread_ = std::thread(&TFakeResolver::Run, this);
}

TFakeResolver::~TFakeResolver() {
    (void)!::write(wake_[1], "x", 1);
    thread_.join();
    ::close(socket_);
    ::close(wake_[0]);
    ::close(wake_[1]);
}

void TFakeResolver::Run() {
    for (;;) {
        pollfd entries[2] = {{socket_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(entries, 2, -1) < 0 || entries[1].revents != 0)
            return;
        char data[512];
        sockaddr_storage peer{};
        socklen_t length = sizeof peer;
        const ssize_t n =
            ::recvfrom(socket_, data, sizeof data, 0, reinterpret_cast<sockaddr*>(&peer), &length);
        if (n <= 0)
            continue;
        ++queries_;
        const std::string reply = Answer(std::string(data, static_cast<std::size_t>(n)));
        if (!reply.empty())
            ::sendto(socket_, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&peer),
                     length);
    }
}

std::string TFakeResolver::Answer(const std::string& query) {
    const std::size_t end = QuestionEnd(query);
    if (query.size() < kHeaderSize || end == 0)
        return {};
    const std::string label = FirstLabel(query);
    if (label == "silent")
        return {};
    int rcode = kNxDomain;
    if (label == "servfail")
        rcode = kServFail;
    else if (label == "refused")
        rcode = kRefused;
    else if (label == "nodata" || label == "loopback")
        rcode = kNoError;
    const bool address = label == "loopback" && Word(query, end - 4) == kTypeA;
    std::string reply = query.substr(0, 2);                     // the query's ID
    PutWord(reply, static_cast<std::uint16_t>(0x8180 | rcode)); // a recursive answer
    PutWord(reply, 1);                                          // the question
    PutWord(reply, address ? 1 : 0);                            // answers
    PutWord(reply, 0);
    PutWord(reply, 0);
    reply += query.substr(kHeaderSize, end - kHeaderSize);
    if (address) {
        PutWord(reply, 0xC00C); // the name of the question
        PutWord(reply, kTypeA);
        PutWord(reply, 1); // class IN
        PutWord(reply, 0);
        PutWord(reply, 60); // seconds to live
        PutWord(reply, 4);
        reply += std::string("\x7f\x00\x00\x01", 4);
    }
    return reply;
}

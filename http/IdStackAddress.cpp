#include "http/IdStackAddress.h"

#include "http/IdAsciiCase.h"
#include "http/IdStack.h"

#include <cstring>

int MakeAddress(sockaddr_storage& address, const std::string& ip, std::uint16_t port,
                TIdIPVersion ipVersion) {
    std::memset(&address, 0, sizeof address);
    if (ipVersion == Id_IPv6) {
        auto& a6 = reinterpret_cast<sockaddr_in6&>(address);
        a6.sin6_family = AF_INET6;
        a6.sin6_port = htons(port);
        a6.sin6_addr = in6addr_any;
        if (!ip.empty() && inet_pton(AF_INET6, ip.c_str(), &a6.sin6_addr) != 1)
            TIdStack::RaiseSocketError(10049);
        return static_cast<int>(sizeof a6);
    }
    auto& a4 = reinterpret_cast<sockaddr_in&>(address);
    a4.sin_family = AF_INET;
    a4.sin_port = htons(port);
    a4.sin_addr.s_addr = htonl(INADDR_ANY);
    if (!ip.empty() && inet_pton(AF_INET, ip.c_str(), &a4.sin_addr) != 1)
        TIdStack::RaiseSocketError(10049);
    return static_cast<int>(sizeof a4);
}

void SplitAddress(const sockaddr_storage& address, std::string& ip, std::uint16_t& port) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET6) {
        const auto& a6 = reinterpret_cast<const sockaddr_in6&>(address);
        inet_ntop(AF_INET6, &a6.sin6_addr, text, sizeof text);
        port = ntohs(a6.sin6_port);
    } else {
        const auto& a4 = reinterpret_cast<const sockaddr_in&>(address);
        inet_ntop(AF_INET, &a4.sin_addr, text, sizeof text);
        port = ntohs(a4.sin_port);
    }
    ip = text;
}

// RFC 6761 reserves the name "invalid" and everything under it.
bool IsReservedInvalidName(const std::string& host) {
    std::string name = host;
    if (!name.empty() && name.back() == '.')
        name.pop_back();
    if (name.size() < 7)
        return false;
    return SameText(name.substr(name.size() - 7), "invalid") &&
           (name.size() == 7 || name[name.size() - 8] == '.');
}

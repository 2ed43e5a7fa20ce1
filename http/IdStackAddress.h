#pragma once
// Socket-address helpers shared by both socket backends (the address structures and the
// conversion calls are the same under POSIX and Winsock).

#include "http/IdStack.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <cstdint>
#include <string>

// A socket address for an address text (empty: any) and port; its length. A text that is no
// address of the family raises error 10049.
int MakeAddress(sockaddr_storage& address, const std::string& ip, std::uint16_t port,
                TIdIPVersion ipVersion);
void SplitAddress(const sockaddr_storage& address, std::string& ip, std::uint16_t& port);

// Names under "invalid" never resolve, so they are refused without asking anyone.
bool IsReservedInvalidName(const std::string& host);

#pragma once
// The few socket calls of the test servers that differ between POSIX and Winsock. Sockets are
// kept in an int on both: Winsock handles fit in 32 bits, and -1 stays the invalid socket.

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>

#include <sys/types.h>

constexpr int MSG_NOSIGNAL = 0; // Winsock raises no signal for a peer that went away
constexpr int SHUT_WR = SD_SEND;
constexpr int SHUT_RDWR = SD_BOTH;
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

// A TCP socket, not inherited by started programs.
int OpenTcpSocket(bool nonBlocking = false);
int AcceptSocket(int listener);
void CloseSocket(int fd);
// A pair where a byte sent on wake[1] makes wake[0] readable to PollSockets; false on failure.
bool OpenWakePair(int wake[2]);
void SendWake(int wake);
void CloseWakePair(const int wake[2]);
pollfd PollEntry(int fd, short events);
int PollSockets(pollfd* entries, unsigned count, int timeoutMs);
// Closing afterwards sends RST instead of FIN.
void SetAbortiveClose(int fd);

#pragma once
// The listening end of the local servers: the simulator, the test servers, the fuzz targets'
// peers. Sockets are kept in an int on POSIX and Winsock alike; the caller opens and closes
// them.

#include <cstdint>

// Binds a fresh TCP socket to 127.0.0.1:`port` (0: a free port the system picks). Returns the
// bound port, or 0 on failure.
std::uint16_t BindLoopback(int fd, std::uint16_t port = 0);

// Binds as above, then listens with `backlog`. Returns the bound port, or 0 on failure.
std::uint16_t ListenOnLoopback(int fd, int backlog, std::uint16_t port = 0);

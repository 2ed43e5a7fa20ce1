#pragma once
// Writing a whole reply on the local servers' sockets (POSIX and Winsock).

#include <string>

// Sends every byte of `bytes`, however the kernel splits it; stops quietly when the peer has
// gone, as a server that answers a closed connection has nothing left to do.
void SendAll(int fd, const std::string& bytes);

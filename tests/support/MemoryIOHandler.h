#pragma once
// An I/O handler over bytes in memory, for tests and the fuzz target: every connection it
// opens reads the same reply and then meets the peer's FIN, and what the client writes is kept.
// Nothing waits and nothing touches the network, so the reading rules run at memory speed.

#include "http/IdIOHandler.h"

#include <string>
#include <string_view>

class TMemoryIOHandler : public TIdIOHandler {
public:
    // The reply's bytes are not copied: they must outlive the handler.
    explicit TMemoryIOHandler(std::string_view reply) : reply_(reply) {}

    // Bytes in memory need no encryption: it stands in for a TLS handler as well.
    bool TLSCapable() const override { return true; }
    // Everything the client wrote, over all connections.
    const std::string& Written() const { return written_; }
    int Connections() const { return connections_; }

protected:
    void OpenTransport() override;
    void CloseTransport() override { open_ = false; }
    bool TransportAllocated() const override { return open_; }
    // The rest of the reply, or the end of it, is always there at once.
    bool WaitReadable(int) override { return true; }
    std::ptrdiff_t Receive(std::uint8_t* data, std::size_t count) override;
    std::size_t Send(const std::uint8_t* data, std::size_t count) override;

private:
    std::string_view reply_;
    std::size_t position_ = 0;
    std::string written_;
    bool open_ = false;
    int connections_ = 0;
};

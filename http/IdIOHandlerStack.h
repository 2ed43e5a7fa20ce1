#pragma once
// The socket I/O handler: the handler's buffers over one TCP socket, which it binds, connects
// (under a time-out on a helper thread) and closes.

#include "http/IdIOHandler.h"
#include "http/IdSocketHandle.h"

#include <cstdint>
#include <memory>
#include <string>

class TIdConnectThread;

enum TIdReuseSocket { rsOSDependent, rsTrue, rsFalse };

class TIdIOHandlerStack : public TIdIOHandler {
public:
    // Socket settings, copied from the client at each connect.
    std::string BoundIP;
    std::uint16_t BoundPort = 0;
    std::uint16_t BoundPortMin = 0;
    std::uint16_t BoundPortMax = 0;
    TIdIPVersion IPVersion = Id_IPv4;
    TIdReuseSocket ReuseSocket = rsOSDependent;
    bool UseNagle = true;

    TIdSocketHandle* Binding() const override { return socket_.get(); }

protected:
    // Creates or resets the socket record and, with a host and a port, connects.
    void OpenTransport() override;
    void CloseTransport() override;
    bool TransportAllocated() const override;
    bool WaitReadable(int timeoutMs) override;
    std::ptrdiff_t Receive(std::uint8_t* data, std::size_t count) override;
    std::size_t Send(const std::uint8_t* data, std::size_t count) override;
    // Waits under the deadline until the socket takes bytes (without one, the send blocks).
    void WaitWritable();

private:
    void ConnectSocket();
    void BindSocket();
    std::string ResolvePeer();
    void ConnectWithTimeout(int timeoutMs);
    // Closes the socket, which ends a pending connect, and waits for the connect thread.
    void AbandonConnect(TIdConnectThread& thread);

    std::unique_ptr<TIdSocketHandle> socket_;
};

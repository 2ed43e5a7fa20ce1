#pragma once
// The TCP client: connection settings and the I/O handler it owns.

#include "http/IdIOHandlerStack.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TIdTCPClientCustom {
public:
    TIdTCPClientCustom() = default;
    TIdTCPClientCustom(const TIdTCPClientCustom&) = delete;
    TIdTCPClientCustom& operator=(const TIdTCPClientCustom&) = delete;
    virtual ~TIdTCPClientCustom();

    std::string Host;
    std::uint16_t Port = 0;
    TIdIPVersion IPVersion = Id_IPv4;
    int ConnectTimeout = 0; // 0: no limit on the calling thread; -1: helper thread, no limit
    int ReadTimeout = -1;   // -1 and 0: no limit
    std::string BoundIP;
    std::uint16_t BoundPort = 0;
    std::uint16_t BoundPortMin = 0;
    std::uint16_t BoundPortMax = 0;
    TIdReuseSocket ReuseSocket = rsOSDependent;
    TIdStatusEvent OnStatus;
    std::function<void()> OnConnected;
    std::function<void()> OnDisconnected;

    void OpenConnection();
    void CloseConnection(bool notifyPeer = true);
    bool IsConnected();
    // The bound and cancel flag of the exchanges to come (none: null), also for a connection
    // already open. Not owned: it must outlive them.
    void SetDeadline(const TIdDeadline* deadline);
    // The handler: the one assigned, or a socket handler created by the first connect; null
    // before either.
    TIdIOHandler* IOHandler() const { return ioHandler_.get(); }
    // Assigns the handler for the connections to come (a TLS-capable one for https URLs),
    // closing the current connection. Unlike the one the client creates, an assigned handler
    // stays after a failed connect.
    void SetIOHandler(std::unique_ptr<TIdIOHandler> handler);

private:
    void CopySettings(TIdIOHandler& handler) const;
    void Status(TIdStatus status);

    std::unique_ptr<TIdIOHandler> ioHandler_;
    bool assignedHandler_ = false;
    const TIdDeadline* deadline_ = nullptr;
};

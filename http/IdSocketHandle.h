#pragma once
// One socket of the client with its local and peer bindings. Closing it may happen on the
// caller's thread while a connect runs on the helper thread; the lock keeps the two apart, and a
// descriptor a connect holds is closed only once the connect has let go of it, so that its number
// can never be reused under the connect.

#include "http/IdStack.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

class TIdSocketHandle {
public:
    TIdSocketHandle() = default;
    TIdSocketHandle(const TIdSocketHandle&) = delete;
    TIdSocketHandle& operator=(const TIdSocketHandle&) = delete;
    ~TIdSocketHandle() { CloseSocket(); }

    // Back to a fresh record: no handle, bindings cleared, IPv4.
    void Reset();
    void AllocateSocket(TIdIPVersion ipVersion);
    // Binds to IP/Port (wildcard and system-chosen port when empty/0) and reads the binding.
    void Bind();
    void SetNoDelay(bool noDelay);
    void SetReuseAddress();
    // Blocking connect to PeerIP/PeerPort. A CloseSocket from another thread meanwhile ends it
    // with EIdNotASocket (10038), the descriptor closed here.
    void Connect();
    // Once more ends a connect that a CloseSocket interrupted before the connect had begun.
    void InterruptConnect();
    // Reads back both bindings, unless the socket was closed meanwhile.
    void UpdateBindings();
    void CloseSocket();

    bool HandleAllocated() const { return handle_.load() != kIdInvalidSocket; }
    bool Readable(int timeoutMs);
    bool Writable(int timeoutMs);
    std::size_t Receive(std::uint8_t* data, std::size_t count);
    std::size_t Send(const std::uint8_t* data, std::size_t count);
    // Without waiting: -1 when nothing could be received or sent at once.
    std::ptrdiff_t ReceiveNow(std::uint8_t* data, std::size_t count);
    std::ptrdiff_t SendNow(const std::uint8_t* data, std::size_t count);

    std::string IP;
    std::uint16_t Port = 0;
    std::string PeerIP;
    std::uint16_t PeerPort = 0;
    TIdIPVersion IPVersion = Id_IPv4;
    std::uint16_t ClientPortMin = 0;
    std::uint16_t ClientPortMax = 0;
    // Called by Connect on its thread once it holds the descriptor, just before the connect
    // itself (tests race a close there).
    std::function<void()> OnConnecting;

private:
    TIdStackSocketHandle Handle() const;

    std::atomic<TIdStackSocketHandle> handle_{kIdInvalidSocket};
    std::mutex lock_;
    // Under lock_: the descriptor a connect holds, and whether a close waits for it.
    TIdStackSocketHandle connecting_ = kIdInvalidSocket;
    bool closeAfterConnect_ = false;
};

#pragma once
// The process-wide wrapper through which every socket call passes. It turns every failure
// into an EIdSocketError carrying the Windows socket error number of the failure, so that
// codes and texts are the same on every platform.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

using TIdStackSocketHandle = std::intptr_t;
constexpr TIdStackSocketHandle kIdInvalidSocket = -1;

enum TIdIPVersion { Id_IPv4, Id_IPv6 };

class TIdDeadline;

class TIdStack {
public:
    static TIdStack& Instance();

    TIdStackSocketHandle NewSocketHandle(TIdIPVersion ipVersion);
    void SetReuseAddress(TIdStackSocketHandle handle);
    void SetNoDelay(TIdStackSocketHandle handle, bool noDelay);
    // An empty ip binds the wildcard address.
    void Bind(TIdStackSocketHandle handle, const std::string& ip, std::uint16_t port,
              TIdIPVersion ipVersion);
    // Blocks until the connect ends.
    void Connect(TIdStackSocketHandle handle, const std::string& ip, std::uint16_t port,
                 TIdIPVersion ipVersion);
    void GetSocketName(TIdStackSocketHandle handle, std::string& ip, std::uint16_t& port);
    void GetPeerName(TIdStackSocketHandle handle, std::string& ip, std::uint16_t& port);
    // timeoutMs -1 waits without limit.
    bool Readable(TIdStackSocketHandle handle, int timeoutMs);
    bool Writable(TIdStackSocketHandle handle, int timeoutMs);
    // 0 means the peer ended the stream.
    std::size_t Receive(TIdStackSocketHandle handle, std::uint8_t* data, std::size_t count);
    std::size_t Send(TIdStackSocketHandle handle, const std::uint8_t* data, std::size_t count);
    // The same without waiting, for a caller that does its own waiting (TLS): -1 when nothing
    // could be received or sent at once.
    std::ptrdiff_t ReceiveNow(TIdStackSocketHandle handle, std::uint8_t* data, std::size_t count);
    std::ptrdiff_t SendNow(TIdStackSocketHandle handle, const std::uint8_t* data,
                           std::size_t count);
    // Shuts down the sending direction (which also ends a pending connect) and closes.
    void Close(TIdStackSocketHandle handle);
    // Ends a blocking connect under way on another thread. True when that closed the handle
    // (Winsock ends one only so); false when the handle stays open for the caller to close once
    // the connect has let go of it (POSIX shuts it down).
    bool InterruptConnect(TIdStackSocketHandle handle);

    // Address text for a host: literals as they stand, otherwise a name lookup. Under a
    // deadline the lookup runs on a helper thread, which is left to end on its own when the
    // deadline ends the wait first (a system lookup cannot be interrupted). A deadline already
    // ended starts no thread; while kMaxLookupThreads are alive, EIdLookupBusy comes at once.
    std::string LookupAddress(const std::string& host, TIdIPVersion ipVersion,
                              const TIdDeadline* deadline = nullptr);
    static bool IsIPv4Literal(const std::string& text);
    // The canonical form of a valid IPv6 literal, or empty.
    static std::string CanonicalIPv6(const std::string& text);

    static std::string SocketErrorText(int code);
    [[noreturn]] static void RaiseSocketError(int code);
#ifndef _WIN32
    // The error number of the table for a system errno value (Winsock gives them directly).
    static int TranslateErrno(int error);
#endif

private:
    // Lookup threads alive at once, abandoned ones included.
    static constexpr int kMaxLookupThreads = 4;

    TIdStack() = default;
    // The system's name lookup; the first answer wins.
    std::string ResolveName(const std::string& host, TIdIPVersion ipVersion);
    std::string ResolveNameWithin(const std::string& host, TIdIPVersion ipVersion,
                                  const TIdDeadline& deadline);

    std::atomic<int> lookupThreads_{0};
};

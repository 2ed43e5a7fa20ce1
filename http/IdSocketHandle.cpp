#include "http/IdSocketHandle.h"

#include "http/IdExceptions.h"

#include <exception>

void TIdSocketHandle::Reset() {
    CloseSocket();
    IP.clear();
    Port = 0;
    PeerIP.clear();
    PeerPort = 0;
    IPVersion = Id_IPv4;
}

void TIdSocketHandle::AllocateSocket(TIdIPVersion ipVersion) {
    CloseSocket();
    IPVersion = ipVersion;
    handle_ = TIdStack::Instance().NewSocketHandle(ipVersion);
}

TIdStackSocketHandle TIdSocketHandle::Handle() const {
    const TIdStackSocketHandle handle = handle_.load();
    if (handle == kIdInvalidSocket)
        TIdStack::RaiseSocketError(10038);
    return handle;
}

void TIdSocketHandle::Bind() {
    auto& stack = TIdStack::Instance();
    try {
        stack.Bind(Handle(), IP, Port, IPVersion);
    } catch (const EIdSocketError&) {
        throw EIdCouldNotBindSocket();
    }
    stack.GetSocketName(Handle(), IP, Port);
}

void TIdSocketHandle::SetNoDelay(bool noDelay) {
    TIdStack::Instance().SetNoDelay(Handle(), noDelay);
}

void TIdSocketHandle::SetReuseAddress() {
    TIdStack::Instance().SetReuseAddress(Handle());
}

void TIdSocketHandle::Connect() {
    auto& stack = TIdStack::Instance();
    TIdStackSocketHandle handle = kIdInvalidSocket;
    {
        std::lock_guard guard(lock_);
        handle = Handle();
        connecting_ = handle;
    }
    if (OnConnecting)
        OnConnecting();
    std::exception_ptr failure;
    try {
        stack.Connect(handle, PeerIP, PeerPort, IPVersion);
    } catch (...) {
        failure = std::current_exception();
    }
    bool closed = false;
    {
        std::lock_guard guard(lock_);
        connecting_ = kIdInvalidSocket;
        closed = handle_.load() != handle;
        if (closeAfterConnect_)
            stack.Close(handle);
        closeAfterConnect_ = false;
    }
    if (closed) // whatever the connect did, the socket is gone
        TIdStack::RaiseSocketError(10038);
    if (failure)
        std::rethrow_exception(failure);
}

void TIdSocketHandle::InterruptConnect() {
    std::lock_guard guard(lock_);
    if (closeAfterConnect_)
        TIdStack::Instance().InterruptConnect(connecting_);
}

void TIdSocketHandle::UpdateBindings() {
    std::lock_guard guard(lock_);
    if (!HandleAllocated())
        return;
    auto& stack = TIdStack::Instance();
    stack.GetSocketName(Handle(), IP, Port);
    stack.GetPeerName(Handle(), PeerIP, PeerPort);
}

void TIdSocketHandle::CloseSocket() {
    std::lock_guard guard(lock_);
    const TIdStackSocketHandle handle = handle_.exchange(kIdInvalidSocket);
    if (handle == kIdInvalidSocket)
        return;
    if (handle != connecting_)
        TIdStack::Instance().Close(handle);
    else
        closeAfterConnect_ = !TIdStack::Instance().InterruptConnect(handle);
}

bool TIdSocketHandle::Readable(int timeoutMs) {
    return TIdStack::Instance().Readable(Handle(), timeoutMs);
}

bool TIdSocketHandle::Writable(int timeoutMs) {
    return TIdStack::Instance().Writable(Handle(), timeoutMs);
}

std::size_t TIdSocketHandle::Receive(std::uint8_t* data, std::size_t count) {
    return TIdStack::Instance().Receive(Handle(), data, count);
}

std::size_t TIdSocketHandle::Send(const std::uint8_t* data, std::size_t count) {
    return TIdStack::Instance().Send(Handle(), data, count);
}

std::ptrdiff_t TIdSocketHandle::ReceiveNow(std::uint8_t* data, std::size_t count) {
    return TIdStack::Instance().ReceiveNow(Handle(), data, count);
}

std::ptrdiff_t TIdSocketHandle::SendNow(const std::uint8_t* data, std::size_t count) {
    return TIdStack::Instance().SendNow(Handle(), data, count);
}

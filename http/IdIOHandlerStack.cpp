#include "http/IdIOHandlerStack.h"

#include "http/IdConnectThread.h"
#include "http/IdExceptions.h"

void TIdIOHandlerStack::OpenTransport() {
    if (!socket_)
        socket_ = std::make_unique<TIdSocketHandle>();
    else
        socket_->Reset();
    socket_->ClientPortMin = BoundPortMin;
    socket_->ClientPortMax = BoundPortMax;
    if (!Host.empty() && Port > 0)
        ConnectSocket();
}

void TIdIOHandlerStack::ConnectSocket() {
    socket_->AllocateSocket(IPVersion);
    BindSocket();
    socket_->SetNoDelay(!UseNagle);
    socket_->PeerIP = ResolvePeer();
    socket_->PeerPort = Port;
    socket_->IPVersion = IPVersion;
    Status(hsConnecting, socket_->PeerIP);
    // Under a deadline even a connect without a time-out of its own must be abandonable.
    if (ConnectTimeout != 0 || Deadline)
        ConnectWithTimeout(ConnectTimeout != 0 ? ConnectTimeout : -1);
    else
        socket_->Connect();
    socket_->UpdateBindings();
}

void TIdIOHandlerStack::BindSocket() {
    socket_->IP = BoundIP;
    socket_->Port = BoundPort;
    if (ReuseSocket == rsTrue)
        socket_->SetReuseAddress();
    // Binding the wildcard address to a system-chosen port changes nothing but the port search:
    // an explicit bind may not share a port with connections in TIME_WAIT, while the connect's
    // own choice may, so a busy client would run out of ports early.
    if (!BoundIP.empty() || BoundPort != 0)
        socket_->Bind();
}

std::string TIdIOHandlerStack::ResolvePeer() {
    if (IPVersion == Id_IPv4 && TIdStack::IsIPv4Literal(Host))
        return Host;
    if (IPVersion == Id_IPv6) {
        std::string canonical = TIdStack::CanonicalIPv6(Host);
        if (!canonical.empty())
            return canonical;
    }
    Status(hsResolving, Host);
    return TIdStack::Instance().LookupAddress(Host, IPVersion, Deadline);
}

void TIdIOHandlerStack::ConnectWithTimeout(int timeoutMs) {
    if (Deadline)
        Deadline->Check(); // a cancelled fetch starts no thread
    TIdConnectThread thread(*socket_);
    bool ended = false;
    try {
        ended = IdWait(Deadline, timeoutMs, [&](int ms) { return thread.WaitFor(ms); });
    } catch (...) {
        AbandonConnect(thread);
        throw;
    }
    if (!ended) {
        AbandonConnect(thread);
        throw EIdConnectTimeout();
    }
    thread.Join();
    thread.RaiseFailure();
}

void TIdIOHandlerStack::AbandonConnect(TIdConnectThread& thread) {
    // The thread never outlives the call. A connect interrupted just before it began begins
    // anyway: it is interrupted again until it ends.
    socket_->CloseSocket();
    while (!thread.WaitFor(TIdDeadline::kSliceMs))
        socket_->InterruptConnect();
    thread.Join();
}

void TIdIOHandlerStack::CloseTransport() {
    if (socket_)
        socket_->CloseSocket();
}

bool TIdIOHandlerStack::TransportAllocated() const {
    return socket_ && socket_->HandleAllocated();
}

bool TIdIOHandlerStack::WaitReadable(int timeoutMs) {
    if (!TransportAllocated())
        throw EIdConnClosedGracefully();
    return IdWait(Deadline, timeoutMs, [this](int ms) { return socket_->Readable(ms); });
}

void TIdIOHandlerStack::WaitWritable() {
    // Without a deadline the send itself blocks, as it always did: no extra call per send.
    if (Deadline)
        IdWait(Deadline, -1, [this](int ms) { return socket_->Writable(ms); });
}

std::ptrdiff_t TIdIOHandlerStack::Receive(std::uint8_t* data, std::size_t count) {
    return static_cast<std::ptrdiff_t>(socket_->Receive(data, count));
}

std::size_t TIdIOHandlerStack::Send(const std::uint8_t* data, std::size_t count) {
    WaitWritable();
    return socket_->Send(data, count);
}

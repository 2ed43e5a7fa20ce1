#include "http/IdIOHandlerStack.h"

#include "http/IdConnectThread.h"
#include "http/IdExceptions.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace {

using Clock = std::chrono::steady_clock;

long long ElapsedMs(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

} // namespace

void TIdIOHandlerStack::Status(TIdStatus status, const std::string& argument) {
    if (OnStatus)
        OnStatus(status, StatusText(status, argument));
}

void TIdIOHandlerStack::Open() {
    opened_ = false;
    closedGracefully_ = false;
    writeBuffer_.reset();
    inputBuffer_.Clear();
    opened_ = true;
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
    // The thread never outlives the call.
    socket_->CloseSocket();
    thread.Join();
}

void TIdIOHandlerStack::Close() {
    if (socket_)
        socket_->CloseSocket();
    opened_ = false;
    writeBuffer_.reset();
}

bool TIdIOHandlerStack::Connected() {
    FillInputBuffer(false, 0, false);
    bool connected = false;
    if (socket_ && socket_->HandleAllocated()) {
        CheckDisconnect(false, false);
        connected = opened_ && !(closedGracefully_ && InputBufferEmpty());
    }
    return connected || !InputBufferEmpty();
}

void TIdIOHandlerStack::CheckDisconnect(bool raise, bool ignoreBuffer) {
    bool disconnected;
    if (closedGracefully_) {
        if (socket_ && socket_->HandleAllocated()) {
            Close();
            Status(hsDisconnected);
        }
        disconnected = true;
    } else {
        disconnected = !socket_ || !socket_->HandleAllocated();
    }
    if (disconnected && raise && (InputBufferEmpty() || ignoreBuffer))
        throw EIdConnClosedGracefully();
}

bool TIdIOHandlerStack::WaitReadable(int timeoutMs) {
    if (!socket_ || !socket_->HandleAllocated())
        throw EIdConnClosedGracefully();
    return IdWait(Deadline, timeoutMs, [this](int ms) { return socket_->Readable(ms); });
}

void TIdIOHandlerStack::WaitWritable() {
    // Without a deadline the send itself blocks, as it always did: no extra call per send.
    if (Deadline)
        IdWait(Deadline, -1, [this](int ms) { return socket_->Writable(ms); });
}

int TIdIOHandlerStack::ReceiveIntoBuffer(bool raiseIfDisconnected) {
    if (!opened_) {
        closedGracefully_ = true;
        if (raiseIfDisconnected)
            throw EIdNotConnected();
        return 0;
    }
    if (!socket_->HandleAllocated()) {
        if (raiseIfDisconnected)
            throw EIdClosedSocket();
        return 0;
    }
    const auto size = static_cast<std::size_t>(RecvBufferSize);
    const std::size_t received = socket_->Receive(inputBuffer_.Reserve(size), size);
    inputBuffer_.Commit(received);
    return static_cast<int>(received);
}

int TIdIOHandlerStack::FillInputBuffer(bool raiseIfDisconnected, int timeoutMs,
                                       bool raiseOnTimeout) {
    if (timeoutMs == -1)
        timeoutMs = ReadTimeout > 0 ? ReadTimeout : -1;
    CheckDisconnect(raiseIfDisconnected, false);
    if (!socket_ || !socket_->HandleAllocated()) {
        if (raiseIfDisconnected)
            throw EIdException("Not Connected");
        return 0;
    }
    for (;;) {
        if (!WaitReadable(timeoutMs)) {
            if (raiseOnTimeout)
                throw EIdReadTimeout();
            return -1;
        }
        const int count = ReceiveIntoBuffer(raiseIfDisconnected);
        if (count == 0)
            closedGracefully_ = true;
        CheckDisconnect(raiseIfDisconnected, false);
        if (count != 0)
            return count;
        if (!socket_->HandleAllocated())
            return 0;
    }
}

std::string TIdIOHandlerStack::ReadLine(const std::string& terminator, int timeoutMs,
                                        int maxLength) {
    const std::string term = terminator.empty() ? std::string("\n") : terminator;
    if (maxLength < 0)
        maxLength = MaxLineLength;
    readLnTimedOut_ = false;
    readLnSplit_ = false;
    const auto start = Clock::now();
    std::size_t searchStart = 0;
    std::int64_t found = -1;
    const auto limit = static_cast<std::int64_t>(maxLength);
    for (;;) {
        const std::size_t size = inputBuffer_.Size();
        if (size > 0) {
            if (searchStart < size)
                found = inputBuffer_.IndexOf(term, searchStart);
            searchStart = size >= term.size() - 1 ? size - (term.size() - 1) : 0;
        }
        const bool tooLong =
            found >= 0 ? found > limit : static_cast<std::int64_t>(searchStart) > limit;
        if (maxLength > 0 && tooLong) {
            if (MaxLineAction == maException)
                throw EIdReadLnMaxLineLengthExceeded();
            readLnSplit_ = true;
            return inputBuffer_.ExtractToString(static_cast<std::size_t>(maxLength));
        }
        if (found >= 0)
            break;
        CheckDisconnect(true, true);
        const int received = FillInputBuffer(true, timeoutMs, false);
        if (received == -1 || (timeoutMs >= 0 && ElapsedMs(start) >= timeoutMs)) {
            readLnTimedOut_ = true;
            return {};
        }
    }
    std::string line = inputBuffer_.ExtractToString(static_cast<std::size_t>(found) + term.size());
    line.resize(static_cast<std::size_t>(found));
    if (term == "\n" && !line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

void TIdIOHandlerStack::FillUntil(std::size_t count) {
    while (inputBuffer_.Size() < count) {
        FillInputBuffer(false, -1, true);
        if (inputBuffer_.Size() < count)
            CheckDisconnect(true, true);
    }
}

void TIdIOHandlerStack::TakeBytes(std::string& bytes, std::int64_t count, bool append) {
    if (!append)
        bytes.clear();
    if (count == 0)
        return;
    if (count > 0) {
        FillUntil(static_cast<std::size_t>(count));
        bytes += inputBuffer_.ExtractToString(static_cast<std::size_t>(count));
        return;
    }
    FillInputBuffer(false, -1, true);
    CheckDisconnect(true, true);
    bytes += inputBuffer_.ExtractToString(inputBuffer_.Size());
}

void TIdIOHandlerStack::ReadToStream(TStream& stream, std::int64_t count, bool untilClose) {
    const std::int64_t expected = count >= 0 ? stream.Position() + count : -1;
    std::int64_t remaining = untilClose ? std::numeric_limits<std::int64_t>::max() : count;
    auto moveBuffered = [&](std::int64_t most) {
        const auto n = static_cast<std::size_t>(
            std::min<std::int64_t>(most, static_cast<std::int64_t>(inputBuffer_.Size())));
        stream.Reserve(stream.Position() + static_cast<std::int64_t>(n), expected);
        inputBuffer_.ExtractToStream(stream, n);
        remaining -= static_cast<std::int64_t>(n);
    };
    try {
        moveBuffered(remaining);
        while (remaining > 0) {
            const std::int64_t block = std::min<std::int64_t>(RecvBufferSize, remaining);
            try {
                FillUntil(static_cast<std::size_t>(block));
            } catch (const EIdConnClosedGracefully&) {
                moveBuffered(block);
                if (untilClose)
                    break;
                throw;
            } catch (const EIdException&) {
                moveBuffered(block);
                throw;
            }
            moveBuffered(block);
        }
    } catch (...) {
        if (stream.Size() > stream.Position())
            stream.SetSize(stream.Position());
        throw;
    }
    if (stream.Size() > stream.Position())
        stream.SetSize(stream.Position());
}

bool TIdIOHandlerStack::WaitForData(int timeoutMs) {
    return Connected() && FillInputBuffer(false, timeoutMs, false) > 0;
}

void TIdIOHandlerStack::WriteBytes(const std::string& bytes) {
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (!writeBuffer_) {
        SendAll(data, bytes.size());
        return;
    }
    writeBuffer_->Write(data, bytes.size());
    if (writeThreshold_ <= 0)
        return;
    const auto threshold = static_cast<std::size_t>(writeThreshold_);
    while (writeBuffer_->Size() >= threshold) {
        SendAll(writeBuffer_->Data(), threshold);
        writeBuffer_->Remove(threshold);
    }
}

void TIdIOHandlerStack::WriteLine(const std::string& bytes) {
    WriteBytes(bytes + "\r\n");
}

void TIdIOHandlerStack::BeginWriteBuffering(int threshold) {
    if (writeBuffer_)
        writeBuffer_->Clear();
    else
        writeBuffer_ = std::make_unique<TIdBuffer>();
    writeThreshold_ = threshold;
}

void TIdIOHandlerStack::FlushWriteBuffer() {
    if (!writeBuffer_)
        return;
    const std::unique_ptr<TIdBuffer> pending = std::move(writeBuffer_);
    SendAll(pending->Data(), pending->Size());
}

void TIdIOHandlerStack::CancelWriteBuffer() {
    writeBuffer_.reset();
}

void TIdIOHandlerStack::SendAll(const std::uint8_t* data, std::size_t count) {
    CheckDisconnect(true, true);
    while (count > 0) {
        WaitWritable();
        const std::size_t sent = socket_->Send(data, count);
        if (sent == 0)
            closedGracefully_ = true;
        CheckDisconnect(true, false);
        data += sent;
        count -= sent;
    }
}

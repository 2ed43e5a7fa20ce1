#include "http/IdIOHandler.h"

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

void TIdIOHandler::Status(TIdStatus status, const std::string& argument) {
    if (OnStatus)
        OnStatus(status, StatusText(status, argument));
}

void TIdIOHandler::Open() {
    opened_ = false;
    closedGracefully_ = false;
    writeBuffer_.reset();
    inputBuffer_.Clear();
    opened_ = true;
    OpenTransport();
}

void TIdIOHandler::Close() {
    CloseTransport();
    opened_ = false;
    writeBuffer_.reset();
}

bool TIdIOHandler::Connected() {
    FillInputBuffer(false, 0, false);
    bool connected = false;
    if (TransportAllocated()) {
        CheckDisconnect(false, false);
        connected = opened_ && !(closedGracefully_ && InputBufferEmpty());
    }
    return connected || !InputBufferEmpty();
}

bool TIdIOHandler::CheckDisconnect(bool raise, bool ignoreBuffer) {
    bool disconnected;
    if (closedGracefully_) {
        if (TransportAllocated()) {
            Close();
            Status(hsDisconnected);
        }
        disconnected = true;
    } else {
        disconnected = !TransportAllocated();
    }
    if (disconnected && raise && (InputBufferEmpty() || ignoreBuffer))
        throw EIdConnClosedGracefully();
    return disconnected;
}

std::ptrdiff_t TIdIOHandler::ReceiveIntoBuffer(bool raiseIfDisconnected) {
    if (!opened_) {
        closedGracefully_ = true;
        if (raiseIfDisconnected)
            throw EIdNotConnected();
        return 0;
    }
    if (!TransportAllocated()) {
        if (raiseIfDisconnected)
            throw EIdClosedSocket();
        return 0;
    }
    const auto size = static_cast<std::size_t>(RecvBufferSize);
    const std::ptrdiff_t received = Receive(inputBuffer_.Reserve(size), size);
    inputBuffer_.Commit(received > 0 ? static_cast<std::size_t>(received) : 0);
    return received;
}

int TIdIOHandler::FillInputBuffer(bool raiseIfDisconnected, int timeoutMs, bool raiseOnTimeout) {
    return Fill(raiseIfDisconnected, timeoutMs, raiseOnTimeout, true);
}

int TIdIOHandler::Fill(bool raiseIfDisconnected, int timeoutMs, bool raiseOnTimeout,
                       bool raiseOnEnd) {
    if (timeoutMs == -1)
        timeoutMs = ReadTimeout > 0 ? ReadTimeout : -1;
    CheckDisconnect(raiseIfDisconnected, false);
    if (!TransportAllocated()) {
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
        const std::ptrdiff_t count = ReceiveIntoBuffer(raiseIfDisconnected);
        if (count < 0)
            continue; // a part of a TLS record: the rest is still to come
        if (count == 0)
            closedGracefully_ = true;
        CheckDisconnect(raiseIfDisconnected && raiseOnEnd, false);
        if (count != 0)
            return static_cast<int>(count);
        if (!TransportAllocated())
            return 0;
    }
}

std::string TIdIOHandler::ReadLine(const std::string& terminator, int timeoutMs, int maxLength) {
    std::string line;
    ReadLineOrEnd(line, terminator, timeoutMs, maxLength, true);
    return line;
}

bool TIdIOHandler::ReadLineUnlessEnded(std::string& line) {
    static const std::string kNewline = "\n";
    return ReadLineOrEnd(line, kNewline, -1, -1, false);
}

bool TIdIOHandler::ReadLineOrEnd(std::string& line, const std::string& terminator, int timeoutMs,
                                 int maxLength, bool raiseOnEnd) {
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
            line = inputBuffer_.ExtractToString(static_cast<std::size_t>(maxLength));
            return true;
        }
        if (found >= 0)
            break;
        if (CheckDisconnect(raiseOnEnd, true))
            return false;
        const int received = Fill(true, timeoutMs, false, raiseOnEnd);
        if (received == -1 || (timeoutMs >= 0 && ElapsedMs(start) >= timeoutMs)) {
            readLnTimedOut_ = true;
            line.clear();
            return true;
        }
    }
    line = inputBuffer_.ExtractToString(static_cast<std::size_t>(found) + term.size());
    line.resize(static_cast<std::size_t>(found));
    if (term == "\n" && !line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

bool TIdIOHandler::FillUntil(std::size_t count) {
    while (inputBuffer_.Size() < count) {
        FillInputBuffer(false, -1, true);
        if (inputBuffer_.Size() < count && CheckDisconnect(false, true))
            return false;
    }
    return true;
}

void TIdIOHandler::TakeBytes(std::string& bytes, std::int64_t count, bool append) {
    if (!append)
        bytes.clear();
    if (count == 0)
        return;
    if (count > 0) {
        if (!FillUntil(static_cast<std::size_t>(count)))
            throw EIdConnClosedGracefully();
        bytes += inputBuffer_.ExtractToString(static_cast<std::size_t>(count));
        return;
    }
    FillInputBuffer(false, -1, true);
    CheckDisconnect(true, true);
    bytes += inputBuffer_.ExtractToString(inputBuffer_.Size());
}

void TIdIOHandler::ReadToStream(TStream& stream, std::int64_t count, bool untilClose) {
    const std::int64_t expected = count >= 0 ? stream.Position() + count : -1;
    std::int64_t remaining = count >= 0 ? count : std::numeric_limits<std::int64_t>::max();
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
            bool filled = false;
            try {
                filled = FillUntil(static_cast<std::size_t>(block));
            } catch (const EIdConnClosedGracefully&) {
                // The transport saw the end itself: the same as the peer ending here.
            } catch (const EIdException&) {
                moveBuffered(block);
                throw;
            }
            moveBuffered(block);
            // The end of a body read until close is its normal end, not worth an exception.
            if (!filled && untilClose)
                break;
            if (!filled)
                throw EIdConnClosedGracefully();
        }
    } catch (...) {
        if (stream.Size() > stream.Position())
            stream.SetSize(stream.Position());
        throw;
    }
    if (stream.Size() > stream.Position())
        stream.SetSize(stream.Position());
}

bool TIdIOHandler::WaitForData(int timeoutMs) {
    return Connected() && FillInputBuffer(false, timeoutMs, false) > 0;
}

void TIdIOHandler::WriteBytes(std::string_view bytes) {
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

void TIdIOHandler::WriteLine(std::string_view bytes) {
    // Gathered, the two parts leave in the same sends as one line would; unbuffered, one send.
    if (writeBuffer_) {
        WriteBytes(bytes);
        WriteBytes("\r\n");
        return;
    }
    std::string line;
    line.reserve(bytes.size() + 2);
    line.append(bytes).append("\r\n");
    WriteBytes(line);
}

void TIdIOHandler::BeginWriteBuffering(int threshold) {
    if (writeBuffer_)
        writeBuffer_->Clear();
    else
        writeBuffer_ = std::make_unique<TIdBuffer>();
    writeThreshold_ = threshold;
}

void TIdIOHandler::FlushWriteBuffer() {
    if (!writeBuffer_)
        return;
    const std::unique_ptr<TIdBuffer> pending = std::move(writeBuffer_);
    SendAll(pending->Data(), pending->Size());
}

void TIdIOHandler::CancelWriteBuffer() {
    writeBuffer_.reset();
}

void TIdIOHandler::SendAll(const std::uint8_t* data, std::size_t count) {
    CheckDisconnect(true, true);
    while (count > 0) {
        const std::size_t sent = Send(data, count);
        if (sent == 0)
            closedGracefully_ = true;
        CheckDisconnect(true, false);
        data += sent;
        count -= sent;
    }
}

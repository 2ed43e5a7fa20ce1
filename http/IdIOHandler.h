#pragma once
// The I/O handler: an input buffer with line and block reads over a byte transport, and an
// optional write buffer that gathers a whole request head into one send loop. What carries the
// bytes (a socket, TLS over a socket, a buffer in memory) is the derived class's business; the
// reading rules above it are the same for all of them.

#include "http/IdBuffer.h"
#include "http/IdDeadline.h"
#include "http/IdStatus.h"
#include "http/IdStream.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TIdSocketHandle;

enum TIdMaxLineAction { maException, maSplit };

class TIdIOHandler {
public:
    TIdIOHandler() = default;
    TIdIOHandler(const TIdIOHandler&) = delete;
    TIdIOHandler& operator=(const TIdIOHandler&) = delete;
    virtual ~TIdIOHandler() = default;

    // Connection settings, copied from the client at each connect.
    std::string Host;
    std::uint16_t Port = 0;
    int ConnectTimeout = 0;
    int ReadTimeout = -1;
    // The bound and cancel flag every wait of this handler obeys; none by default. Not owned.
    const TIdDeadline* Deadline = nullptr;
    // For a TLS-capable handler: true keeps the next connection plain, false speaks TLS on it.
    bool PassThrough = true;

    int MaxLineLength = 16384;
    TIdMaxLineAction MaxLineAction = maException;
    int RecvBufferSize = 32768;
    int SendBufferSize = 32768;
    TIdStatusEvent OnStatus;

    // OpenHandler: resets the state and opens the transport.
    void Open();
    // CloseHandler: closes the transport; unread input stays until the next Open.
    void Close();
    bool Opened() const { return opened_; }
    bool Connected();
    // Whether the handler can speak TLS (PassThrough false); an https URL needs one.
    virtual bool TLSCapable() const { return false; }
    // The socket under the transport; none for a handler without one.
    virtual TIdSocketHandle* Binding() const { return nullptr; }

    // The line without its terminator; empty on time-out. timeoutMs -1: ReadTimeout;
    // maxLength below 0: MaxLineLength.
    std::string ReadLine(const std::string& terminator = "\n", int timeoutMs = -1,
                         int maxLength = -1);
    // ReadLine with "\n" as terminator, for a reader that expects the stream may end here: the
    // peer ending it before a whole line gives false instead of raising, and leaves the
    // unfinished line in the buffer.
    bool ReadLineUnlessEnded(std::string& line);
    bool ReadLnTimedOut() const { return readLnTimedOut_; }
    bool ReadLnSplit() const { return readLnSplit_; }
    // count > 0: exactly that many bytes; count < 0: whatever the next receive brings.
    void TakeBytes(std::string& bytes, std::int64_t count, bool append);
    // count >= 0: that many bytes; below 0: until the peer ends the stream. untilClose: the
    // peer ending before `count` is the end of what there is, not an error.
    void ReadToStream(TStream& stream, std::int64_t count, bool untilClose);
    bool WaitForData(int timeoutMs);
    bool InputBufferEmpty() const { return inputBuffer_.Size() == 0; }
    void DiscardInput() { inputBuffer_.Clear(); }
    // Whether the transport is gone (closing it once the peer has ended the stream).
    bool CheckDisconnect(bool raise, bool ignoreBuffer);
    // Bytes received, 0, or -1 on time-out.
    int FillInputBuffer(bool raiseIfDisconnected, int timeoutMs, bool raiseOnTimeout);

    void WriteBytes(std::string_view bytes);
    void WriteLine(std::string_view bytes);
    // threshold <= 0: everything waits for FlushWriteBuffer.
    void BeginWriteBuffering(int threshold = -1);
    void FlushWriteBuffer();
    void CancelWriteBuffer();

protected:
    // The transport. Opening connects it (with the settings above); closing may happen on a
    // transport that is half open or already closed.
    virtual void OpenTransport() = 0;
    virtual void CloseTransport() = 0;
    // Whether the transport is still there (for a socket: its handle is allocated).
    virtual bool TransportAllocated() const = 0;
    // Whether Receive has something (bytes or the end of the stream) within timeoutMs (-1: no
    // limit), under the deadline.
    virtual bool WaitReadable(int timeoutMs) = 0;
    // Bytes received (at most count); 0 when the peer ended the stream; -1 when what came
    // carried nothing to read yet (part of a TLS record), so the wait starts over.
    virtual std::ptrdiff_t Receive(std::uint8_t* data, std::size_t count) = 0;
    // Bytes sent, waiting (under the deadline) until some can go; 0 when the peer ended it.
    virtual std::size_t Send(const std::uint8_t* data, std::size_t count) = 0;
    void Status(TIdStatus status, const std::string& argument = {});

private:
    std::ptrdiff_t ReceiveIntoBuffer(bool raiseIfDisconnected);
    // raiseOnEnd false: the peer ending the stream with nothing buffered returns 0 as well.
    int Fill(bool raiseIfDisconnected, int timeoutMs, bool raiseOnTimeout, bool raiseOnEnd);
    // The line, or false when the peer ended the stream first and raiseOnEnd is false.
    bool ReadLineOrEnd(std::string& line, const std::string& terminator, int timeoutMs,
                       int maxLength, bool raiseOnEnd);
    // Receives until `count` bytes are buffered; false when the peer ends first.
    bool FillUntil(std::size_t count);
    void SendAll(const std::uint8_t* data, std::size_t count);

    TIdBuffer inputBuffer_;
    std::unique_ptr<TIdBuffer> writeBuffer_;
    int writeThreshold_ = 0;
    bool opened_ = false;
    bool closedGracefully_ = false;
    bool readLnTimedOut_ = false;
    bool readLnSplit_ = false;
};

#pragma once
// The socket I/O handler: one socket, an input buffer with line and block reads, and an
// optional write buffer that gathers a whole request head into one send loop.

#include "http/IdBuffer.h"
#include "http/IdDeadline.h"
#include "http/IdSocketHandle.h"
#include "http/IdStatus.h"
#include "http/IdStream.h"

#include <cstdint>
#include <memory>
#include <string>

class TIdConnectThread;

enum TIdMaxLineAction { maException, maSplit };
enum TIdReuseSocket { rsOSDependent, rsTrue, rsFalse };

class TIdIOHandlerStack {
public:
    // Connection settings, copied from the client at each connect.
    std::string Host;
    std::uint16_t Port = 0;
    std::string BoundIP;
    std::uint16_t BoundPort = 0;
    std::uint16_t BoundPortMin = 0;
    std::uint16_t BoundPortMax = 0;
    TIdIPVersion IPVersion = Id_IPv4;
    TIdReuseSocket ReuseSocket = rsOSDependent;
    int ConnectTimeout = 0;
    int ReadTimeout = -1;
    // The bound and cancel flag every wait of this handler obeys; none by default. Not owned.
    const TIdDeadline* Deadline = nullptr;

    int MaxLineLength = 16384;
    TIdMaxLineAction MaxLineAction = maException;
    int RecvBufferSize = 32768;
    int SendBufferSize = 32768;
    bool UseNagle = true;
    TIdStatusEvent OnStatus;

    // OpenHandler: resets the state and, with a host and a port, connects.
    void Open();
    // CloseHandler: closes the socket; unread input stays until the next Open.
    void Close();
    bool Opened() const { return opened_; }
    bool Connected();
    TIdSocketHandle* Binding() const { return socket_.get(); }

    // The line without its terminator; empty on time-out. timeoutMs -1: ReadTimeout;
    // maxLength below 0: MaxLineLength.
    std::string ReadLine(const std::string& terminator = "\n", int timeoutMs = -1,
                         int maxLength = -1);
    bool ReadLnTimedOut() const { return readLnTimedOut_; }
    bool ReadLnSplit() const { return readLnSplit_; }
    // count > 0: exactly that many bytes; count < 0: whatever the next receive brings.
    void TakeBytes(std::string& bytes, std::int64_t count, bool append);
    void ReadToStream(TStream& stream, std::int64_t count, bool untilClose);
    bool WaitForData(int timeoutMs);
    bool InputBufferEmpty() const { return inputBuffer_.Size() == 0; }
    void DiscardInput() { inputBuffer_.Clear(); }
    void CheckDisconnect(bool raise, bool ignoreBuffer);
    // Bytes received, 0, or -1 on time-out.
    int FillInputBuffer(bool raiseIfDisconnected, int timeoutMs, bool raiseOnTimeout);

    void WriteBytes(const std::string& bytes);
    void WriteLine(const std::string& bytes);
    // threshold <= 0: everything waits for FlushWriteBuffer.
    void BeginWriteBuffering(int threshold = -1);
    void FlushWriteBuffer();
    void CancelWriteBuffer();

private:
    void ConnectSocket();
    void BindSocket();
    std::string ResolvePeer();
    void ConnectWithTimeout(int timeoutMs);
    // Closes the socket, which ends a pending connect, and waits for the connect thread.
    void AbandonConnect(TIdConnectThread& thread);
    // Every wait of the handler on its socket, under the deadline; -1: no limit.
    bool WaitReadable(int timeoutMs);
    void WaitWritable();
    int ReceiveIntoBuffer(bool raiseIfDisconnected);
    // Receives until `count` bytes are buffered; raises when the peer ends first.
    void FillUntil(std::size_t count);
    void SendAll(const std::uint8_t* data, std::size_t count);
    void Status(TIdStatus status, const std::string& argument = {});

    std::unique_ptr<TIdSocketHandle> socket_;
    TIdBuffer inputBuffer_;
    std::unique_ptr<TIdBuffer> writeBuffer_;
    int writeThreshold_ = 0;
    bool opened_ = false;
    bool closedGracefully_ = false;
    bool readLnTimedOut_ = false;
    bool readLnSplit_ = false;
};

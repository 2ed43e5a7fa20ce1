#include "http/IdTCPClient.h"

#include "http/IdExceptions.h"

TIdTCPClientCustom::~TIdTCPClientCustom() {
    if (ioHandler_)
        ioHandler_->Close();
}

void TIdTCPClientCustom::Status(TIdStatus status) {
    if (OnStatus)
        OnStatus(status, StatusText(status, {}));
}

void TIdTCPClientCustom::CopySettings(TIdIOHandler& handler) const {
    handler.Port = Port;
    handler.Host = Host;
    handler.ConnectTimeout = ConnectTimeout;
    handler.ReadTimeout = ReadTimeout;
    handler.Deadline = deadline_;
    auto* socket = dynamic_cast<TIdIOHandlerStack*>(&handler);
    if (!socket)
        return;
    socket->BoundIP = BoundIP;
    socket->BoundPort = BoundPort;
    socket->BoundPortMin = BoundPortMin;
    socket->BoundPortMax = BoundPortMax;
    socket->IPVersion = IPVersion;
    socket->ReuseSocket = ReuseSocket;
}

void TIdTCPClientCustom::SetIOHandler(std::unique_ptr<TIdIOHandler> handler) {
    CloseConnection();
    ioHandler_ = std::move(handler);
    assignedHandler_ = ioHandler_ != nullptr;
    if (ioHandler_ && !ioHandler_->OnStatus)
        ioHandler_->OnStatus = OnStatus;
}

void TIdTCPClientCustom::OpenConnection() {
    if (IsConnected())
        throw EIdAlreadyConnected();
    if (Host.empty())
        throw EIdHostRequired();
    if (Port == 0)
        throw EIdPortRequired();
    if (!ioHandler_) {
        ioHandler_ = std::make_unique<TIdIOHandlerStack>();
        ioHandler_->OnStatus = OnStatus;
    }
    try {
        CopySettings(*ioHandler_);
        ioHandler_->Open();
        Status(hsConnected);
        if (OnConnected)
            OnConnected();
    } catch (...) {
        ioHandler_->Close();
        if (!assignedHandler_)
            ioHandler_.reset();
        throw;
    }
}

void TIdTCPClientCustom::CloseConnection(bool) {
    if (!ioHandler_ || !ioHandler_->Opened())
        return;
    Status(hsDisconnecting);
    ioHandler_->Close();
    if (OnDisconnected)
        OnDisconnected();
    Status(hsDisconnected);
}

void TIdTCPClientCustom::SetDeadline(const TIdDeadline* deadline) {
    deadline_ = deadline;
    if (ioHandler_)
        ioHandler_->Deadline = deadline;
}

bool TIdTCPClientCustom::IsConnected() {
    return ioHandler_ && ioHandler_->Connected();
}

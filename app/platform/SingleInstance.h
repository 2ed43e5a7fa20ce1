#pragma once
// The single-instance rule and the exit message. The running program listens on a per-user
// local socket named after its window class, inside a private 0700 directory; a second start
// that reaches a listener ends at once, and the line "1027" ends the running program.

#include <QLockFile>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    enum TClaim { clListening, clOtherInstance, clFailed };

    static constexpr const char* SocketName = "TzentriloMF";
    static constexpr const char* ExitLine = "1027"; // the message number 0x0403

    // `directory` holds the socket and its lock; by default DefaultDirectory().
    explicit TSingleInstance(QString directory = DefaultDirectory(), QObject* parent = nullptr);
    ~TSingleInstance() override;

    // $XDG_RUNTIME_DIR/zentrilo, or a private folder under the config directory without one.
    static QString DefaultDirectory();

    QString SocketPath() const;
    QString LockPath() const;

    // True exactly when a live instance accepts a connection on the socket. Needs no Qt
    // application object, so the entry can ask before creating one.
    bool AlreadyRunning() const;

    // Takes the lock, removes a stale socket file and listens. clOtherInstance when another
    // live instance holds the lock or answers on the socket.
    TClaim Listen();

    // Called on the main thread for every exit line received.
    std::function<void()> OnExitRequest;

    // How long a client may stay silent or incomplete before it is dropped.
    int ClientTimeoutMs = 2000;

private:
    void Accept();
    void Read(QLocalSocket* client);

    QString directory_;
    QLockFile lock_;
    std::unique_ptr<QLocalServer> server_;
};

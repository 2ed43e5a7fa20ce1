#include "app/platform/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Longer lines than this are never the exit line: the client is dropped at once.
constexpr qsizetype MaxLineLength = 64;

bool MakePrivateDirectory(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    if (!QDir().mkpath(path))
        return false;
    struct stat info {};
    if (lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid())
        return false;
    return (info.st_mode & 0777) == 0700 || chmod(native.constData(), 0700) == 0;
}

} // namespace

TSingleInstance::TSingleInstance(QString directory, QObject* parent)
    : QObject(parent), directory_(std::move(directory)),
      lock_(directory_ + QLatin1Char('/') + QLatin1String(SocketName) + QStringLiteral(".lock")) {
    // A lock whose owner is gone is stale at once; a live owner's lock never is.
    lock_.setStaleLockTime(0);
}

TSingleInstance::~TSingleInstance() {
    if (server_)
        server_->close();
    if (lock_.isLocked())
        lock_.unlock();
}

QString TSingleInstance::DefaultDirectory() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return runtime + QStringLiteral("/zentrilo");
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/zentrilo/runtime");
}

QString TSingleInstance::SocketPath() const {
    return directory_ + QLatin1Char('/') + QLatin1String(SocketName);
}

QString TSingleInstance::LockPath() const {
    return lock_.fileName();
}

bool TSingleInstance::AlreadyRunning() const {
    const QByteArray path = QFile::encodeName(SocketPath());
    sockaddr_un address{};
    if (path.size() >= static_cast<qsizetype>(sizeof(address.sun_path)))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // A stale socket file refuses the connection; only a listening process accepts it.
    int rc;
    do {
        rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    } while (rc != 0 && errno == EINTR);
    ::close(fd);
    return rc == 0;
}

TSingleInstance::TClaim TSingleInstance::Listen() {
    if (!MakePrivateDirectory(directory_))
        return clFailed;
    if (!lock_.tryLock(500))
        return lock_.error() == QLockFile::LockFailedError ? clOtherInstance : clFailed;
    if (AlreadyRunning()) {
        lock_.unlock();
        return clOtherInstance;
    }
    QLocalServer::removeServer(SocketPath());
    server_ = std::make_unique<QLocalServer>();
    if (!server_->listen(SocketPath())) {
        server_.reset();
        lock_.unlock();
        return clFailed;
    }
    chmod(QFile::encodeName(SocketPath()).constData(), 0600);
    connect(server_.get(), &QLocalServer::newConnection, this, &TSingleInstance::Accept);
    return clListening;
}

void TSingleInstance::Accept() {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
        connect(client, &QLocalSocket::readyRead, this, [this, client] { Read(client); });
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        // A silent client is dropped after a while; it never holds up the program.
        QTimer::singleShot(ClientTimeoutMs, client, [client] { client->abort(); });
        if (client->bytesAvailable() > 0)
            Read(client);
    }
}

void TSingleInstance::Read(QLocalSocket* client) {
    if (!client->canReadLine()) {
        if (client->bytesAvailable() > MaxLineLength)
            client->abort();
        return;
    }
    const QByteArray line = client->readLine(MaxLineLength + 1);
    // One line per connection: whatever it says, the conversation ends here.
    client->abort();
    client->deleteLater();
    if (line == QByteArray(ExitLine) + '\n' && OnExitRequest)
        OnExitRequest();
}

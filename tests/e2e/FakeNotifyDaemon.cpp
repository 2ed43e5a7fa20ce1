// A notification service for the end-to-end tests: serves org.freedesktop.Notifications on the
// session bus, prints one line per notification it is sent, and clicks one on request.
//   stdout: "READY", then "NOTIFY <id> <timeout> <category>|<actions>|<title>|<body>"
//   stdin:  "click <id> [action]" emits ActionInvoked (action "default" unless given)
//   --markup: the capabilities list "body-markup" (the body is read as markup)
//   --no-commands: stdin is not read (for a service that the bus starts)

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QSocketNotifier>
#include <QStringList>
#include <QVariantMap>

#include <cstdio>
#include <unistd.h>

class FakeNotifyDaemon : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    bool markup = false;

    void Click(uint id, const QString& action) {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
        signal << id << action;
        QDBusConnection::sessionBus().send(signal);
    }

public slots:
    uint Notify(const QString&, uint, const QString&, const QString& title, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int timeout) {
        const uint id = ++lastId_;
        const QString line = QStringLiteral("NOTIFY %1 %2 %3|%4|%5|%6\n")
                                 .arg(id)
                                 .arg(timeout)
                                 .arg(hints.value(QStringLiteral("category")).toString(),
                                      actions.join(u','), title, body);
        std::fputs(line.toUtf8().constData(), stdout);
        std::fflush(stdout);
        return id;
    }
    QStringList GetCapabilities() {
        QStringList capabilities{QStringLiteral("actions"), QStringLiteral("body")};
        if (markup)
            capabilities.push_back(QStringLiteral("body-markup"));
        return capabilities;
    }

private:
    uint lastId_ = 0;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    FakeNotifyDaemon daemon;
    daemon.markup = QCoreApplication::arguments().contains(QStringLiteral("--markup"));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &daemon,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications")))
        return 1;
    // Commands written in quick succession arrive in one read: every whole line is obeyed.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    input.setEnabled(!QCoreApplication::arguments().contains(QStringLiteral("--no-commands")));
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char chunk[4096];
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got <= 0) {
            QCoreApplication::quit();
            return;
        }
        pending.append(chunk, got);
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1)) {
            const QStringList words =
                QString::fromUtf8(pending.left(end)).split(u' ', Qt::SkipEmptyParts);
            if (words.size() >= 2 && words[0] == QLatin1String("click"))
                daemon.Click(words[1].toUInt(), words.value(2, QStringLiteral("default")));
        }
    });
    std::puts("READY");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "FakeNotifyDaemon.moc"

// A notification service for the end-to-end tests: serves org.freedesktop.Notifications on the
// session bus, prints one line per notification it is sent, and clicks one on request.
//   stdout: "READY", then "NOTIFY <id> <timeout> <category>|<actions>|<title>|<body>"
//   stdin:  "click <id> [action]" emits ActionInvoked (action "default" unless given)

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QSocketNotifier>
#include <QStringList>
#include <QTextStream>
#include <QVariantMap>

#include <cstdio>
#include <unistd.h>

class FakeNotifyDaemon : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
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
    QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }

private:
    uint lastId_ = 0;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    FakeNotifyDaemon daemon;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &daemon,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications")))
        return 1;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QTextStream in(stdin);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        const QStringList words = in.readLine().split(u' ', Qt::SkipEmptyParts);
        if (in.atEnd() && words.isEmpty())
            QCoreApplication::quit();
        else if (words.size() >= 2 && words[0] == QLatin1String("click"))
            daemon.Click(words[1].toUInt(), words.value(2, QStringLiteral("default")));
    });
    std::puts("READY");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "FakeNotifyDaemon.moc"

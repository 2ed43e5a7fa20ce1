#include "app/platform/XdgLauncher.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

// Fake desktop tools in a temporary folder: a handler database that knows one scheme, and an
// opener that records its arguments one per line.
class XdgLauncherTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        WriteScript(MimeTool(), "#!/bin/sh\n"
                                "[ \"$3\" = x-scheme-handler/ymsgr ] && echo messenger.desktop\n"
                                "exit 0\n");
        WriteScript(Opener(),
                    "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done >\"$0.log\"\n");
        savedBrowser = qgetenv("BROWSER");
        qunsetenv("BROWSER");
    }
    void TearDown() override {
        if (!savedBrowser.isEmpty())
            qputenv("BROWSER", savedBrowser);
    }

    QString MimeTool() const { return dir.filePath(QStringLiteral("xdg-mime")); }
    QString Opener() const { return dir.filePath(QStringLiteral("xdg-open")); }

    static void WriteScript(const QString& path, const char* body) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(body);
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // What the opener was given, once it has run.
    QByteArray OpenerLog() const {
        QFile log(Opener() + QStringLiteral(".log"));
        QDeadlineTimer deadline(3000);
        while (!log.exists() && !deadline.hasExpired())
            QThread::msleep(10);
        QThread::msleep(20);
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    QByteArray savedBrowser;
};

TEST_F(XdgLauncherTest, TargetIsOneArgumentWithoutAShell) {
    TXdgLauncher launcher(Opener(), MimeTool());
    QString reason;
    const QString target = QStringLiteral("ymsgr:sendim?bob smith&m=");
    ASSERT_TRUE(launcher.Open(target, reason)) << reason.toStdString();
    EXPECT_EQ(OpenerLog(), QByteArray("ymsgr:sendim?bob smith&m=\n"));
}

TEST_F(XdgLauncherTest, SchemeWithoutAHandlerIsReportedAndNothingStarts) {
    TXdgLauncher launcher(Opener(), MimeTool());
    QString reason;
    EXPECT_FALSE(launcher.Open(QStringLiteral("ymsgr-other:x"), reason));
    EXPECT_EQ(reason, QStringLiteral("No application is registered for ymsgr-other: links."));
    QThread::msleep(100);
    EXPECT_FALSE(QFile::exists(Opener() + QStringLiteral(".log")));
}

TEST_F(XdgLauncherTest, WebPagesOpenThroughTheBrowserVariableWithoutAHandler) {
    TXdgLauncher launcher(Opener(), MimeTool());
    QString reason;
    EXPECT_FALSE(launcher.Open(QStringLiteral("http://example.invalid/"), reason));
    qputenv("BROWSER", "true");
    EXPECT_TRUE(launcher.Open(QStringLiteral("http://example.invalid/"), reason));
    EXPECT_EQ(OpenerLog(), QByteArray("http://example.invalid/\n"));
}

TEST_F(XdgLauncherTest, MissingOpenerGivesTheStartFailure) {
    TXdgLauncher launcher(dir.filePath(QStringLiteral("no-such-opener")), MimeTool());
    QString reason;
    EXPECT_FALSE(launcher.Open(QStringLiteral("ymsgr:sendim?bob&m="), reason));
    EXPECT_TRUE(reason.startsWith(dir.filePath(QStringLiteral("no-such-opener")) +
                                  QStringLiteral(" could not be started: ")))
        << reason.toStdString();
}

TEST_F(XdgLauncherTest, UnaskableHandlerDatabaseLeavesTheDecisionToTheOpener) {
    TXdgLauncher launcher(Opener(), dir.filePath(QStringLiteral("no-such-mime-tool")));
    QString reason;
    EXPECT_TRUE(launcher.Open(QStringLiteral("ymsgr-other:x"), reason));
    EXPECT_EQ(OpenerLog(), QByteArray("ymsgr-other:x\n"));
}

TEST_F(XdgLauncherTest, HangingHandlerDatabaseIsCutShort) {
    WriteScript(MimeTool(), "#!/bin/sh\nexec sleep 30\n");
    TXdgLauncher launcher(Opener(), MimeTool());
    launcher.QueryTimeoutMs = 100;
    QString reason;
    QDeadlineTimer deadline(5000);
    EXPECT_TRUE(launcher.Open(QStringLiteral("ymsgr:x"), reason));
    EXPECT_FALSE(deadline.hasExpired());
}

} // namespace

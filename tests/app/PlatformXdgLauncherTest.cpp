#include "app/platform/XdgLauncher.h"
#include "tests/shell/EventPump.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Fake desktop tools in a temporary folder: a handler database that knows one scheme, and an
// opener that records its arguments one per line and ends with the code in "xdg-open.code".
// Each tool waits while its ".hold" file exists (five seconds at most), so that a test can
// see what happens while it runs.
class XdgLauncherTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        WriteScript(MimeTool(),
                    {kHold, "[ \"$3\" = x-scheme-handler/ymsgr ] && echo messenger.desktop\n"});
        WriteScript(Opener(), {"for a in \"$@\"; do printf '%s\\n' \"$a\"; done >\"$0.tmp\"\n"
                               "mv \"$0.tmp\" \"$0.log\"\n",
                               kHold, "exit $(cat \"$0.code\" 2>/dev/null || echo 0)\n"});
        savedBrowser = qgetenv("BROWSER");
        qunsetenv("BROWSER");
    }
    void TearDown() override {
        if (!savedBrowser.isEmpty())
            qputenv("BROWSER", savedBrowser);
    }

    QString MimeTool() const { return dir.filePath(QStringLiteral("xdg-mime")); }
    QString Opener() const { return dir.filePath(QStringLiteral("xdg-open")); }
    QString Log() const { return Opener() + QStringLiteral(".log"); }

    static constexpr const char* kHold =
        "n=0\nwhile [ -e \"$0.hold\" ] && [ $n -lt 500 ]; do sleep 0.01; n=$((n+1)); done\n";

    static void WriteScript(const QString& path, std::initializer_list<const char*> lines) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n");
        for (const char* line : lines)
            file.write(line);
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    static void Touch(const QString& path, const QByteArray& content = QByteArray()) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    // Opens the target; the failures reported go to `failures`.
    void Open(TXdgLauncher& launcher, const QString& target) {
        launcher.Open(target, [this](const QString& reason) { failures.push_back(reason); });
    }
    // What the opener was given, once it has run; empty when it was not started.
    QByteArray OpenerLog() const {
        PumpUntil([this] { return QFile::exists(Log()) || !failures.empty(); });
        QFile log(Log());
        return log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    }
    bool Failed() {
        return PumpUntil([this] { return !failures.empty(); });
    }

    QTemporaryDir dir;
    QByteArray savedBrowser;
    std::vector<QString> failures;
};

TEST_F(XdgLauncherTest, TargetIsOneArgumentWithoutAShell) {
    TXdgLauncher launcher(Opener(), MimeTool());
    Open(launcher, QStringLiteral("ymsgr:sendim?bob smith&m="));
    EXPECT_EQ(OpenerLog(), QByteArray("ymsgr:sendim?bob smith&m=\n"));
    PumpUntil([] { return false; }, 100);
    EXPECT_TRUE(failures.empty());
}

TEST_F(XdgLauncherTest, SchemeWithoutAHandlerIsReportedAndNothingStarts) {
    TXdgLauncher launcher(Opener(), MimeTool());
    Open(launcher, QStringLiteral("ymsgr-other:x"));
    ASSERT_TRUE(Failed());
    EXPECT_EQ(failures, std::vector<QString>{QStringLiteral(
                            "No application is registered for ymsgr-other: links.")});
    EXPECT_FALSE(QFile::exists(Log()));
}

TEST_F(XdgLauncherTest, WebPagesOpenThroughTheBrowserVariableWithoutAHandler) {
    TXdgLauncher launcher(Opener(), MimeTool());
    Open(launcher, QStringLiteral("http://example.invalid/"));
    ASSERT_TRUE(Failed());
    failures.clear();
    qputenv("BROWSER", "true");
    Open(launcher, QStringLiteral("http://example.invalid/"));
    EXPECT_EQ(OpenerLog(), QByteArray("http://example.invalid/\n"));
}

TEST_F(XdgLauncherTest, AnOpenerThatEndsWithAnErrorIsReportedWithItsReason) {
    const struct {
        const char* code;
        const char* reason; // empty: no report
    } cases[] = {
        {"0", ""},
        {"3", "No program that can open it was found. (%1: exit code 3)"},
        {"4", "The program that should open it failed. (%1: exit code 4)"},
        {"2", "It does not exist. (%1: exit code 2)"},
    };
    TXdgLauncher launcher(Opener(), MimeTool());
    for (const auto& c : cases) {
        failures.clear();
        QFile::remove(Log());
        Touch(Opener() + QStringLiteral(".code"), c.code);
        Open(launcher, QStringLiteral("ymsgr:sendim?bob&m="));
        ASSERT_FALSE(OpenerLog().isEmpty()) << c.code;
        PumpUntil([this] { return !failures.empty(); }, *c.reason ? 3000 : 200);
        const std::vector<QString> expected =
            *c.reason ? std::vector<QString>{QString::fromLatin1(c.reason).arg(Opener())}
                      : std::vector<QString>{};
        EXPECT_EQ(failures, expected) << c.code;
    }
}

TEST_F(XdgLauncherTest, NothingWaitsForTheHandlerDatabaseOrTheOpener) {
    TXdgLauncher launcher(Opener(), MimeTool());
    Touch(Opener() + QStringLiteral(".code"), "4");
    Touch(MimeTool() + QStringLiteral(".hold"));
    Touch(Opener() + QStringLiteral(".hold"));
    Open(launcher, QStringLiteral("ymsgr:sendim?bob&m="));
    // Back while the handler database is still being asked.
    EXPECT_FALSE(QFile::exists(Log()));
    QFile::remove(MimeTool() + QStringLiteral(".hold"));
    ASSERT_TRUE(PumpUntil([this] { return QFile::exists(Log()); }));
    // The opener runs on; its failure is reported once it has ended.
    PumpUntil([] { return false; }, 100);
    EXPECT_TRUE(failures.empty());
    QFile::remove(Opener() + QStringLiteral(".hold"));
    ASSERT_TRUE(Failed());
    EXPECT_TRUE(failures[0].contains(QStringLiteral("exit code 4"))) << failures[0].toStdString();
}

TEST_F(XdgLauncherTest, MissingOpenerGivesTheStartFailure) {
    const QString missing = dir.filePath(QStringLiteral("no-such-opener"));
    TXdgLauncher launcher(missing, MimeTool());
    Open(launcher, QStringLiteral("ymsgr:sendim?bob&m="));
    ASSERT_TRUE(Failed());
    EXPECT_TRUE(failures[0].startsWith(missing + QStringLiteral(" could not be started: ")))
        << failures[0].toStdString();
}

TEST_F(XdgLauncherTest, UnaskableHandlerDatabaseLeavesTheDecisionToTheOpener) {
    TXdgLauncher launcher(Opener(), dir.filePath(QStringLiteral("no-such-mime-tool")));
    Open(launcher, QStringLiteral("ymsgr-other:x"));
    EXPECT_EQ(OpenerLog(), QByteArray("ymsgr-other:x\n"));
}

TEST_F(XdgLauncherTest, HangingHandlerDatabaseIsCutShort) {
    Touch(MimeTool() + QStringLiteral(".hold"));
    TXdgLauncher launcher(Opener(), MimeTool());
    launcher.QueryTimeoutMs = 100;
    Open(launcher, QStringLiteral("ymsgr:x"));
    EXPECT_EQ(OpenerLog(), QByteArray("ymsgr:x\n"));
    EXPECT_TRUE(failures.empty());
}

TEST_F(XdgLauncherTest, ToolsStillRunningAtTheEndAreStoppedWithoutAReport) {
    Touch(Opener() + QStringLiteral(".hold"));
    Touch(Opener() + QStringLiteral(".code"), "4");
    {
        TXdgLauncher launcher(Opener(), MimeTool());
        Open(launcher, QStringLiteral("ymsgr:x"));
        ASSERT_TRUE(PumpUntil([this] { return QFile::exists(Log()); }));
    }
    PumpUntil([] { return false; }, 100);
    EXPECT_TRUE(failures.empty());
}

} // namespace

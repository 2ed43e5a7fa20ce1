// zentrilo-check --history end to end: the built tool, started as its own process, on a history
// written by the store in a private data folder.
#include "tests/history/HistoryTestSupport.h"
#include "tests/tools/CheckToolProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

const QByteArray kHeader = "time,id,source,from,to\n";

class HistoryCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFileInfo::exists(CheckToolPath())) << CheckToolPath().toStdString();
    }

    QString DataHome() const { return fixture.folder.filePath(QStringLiteral("data")); }
    QString HistoryPath() const {
        return DataHome() + QStringLiteral("/ZentriloSoft/history.sqlite");
    }

    TToolRun Run(const QStringList& arguments) const {
        return RunCheckTool(QStringList{QStringLiteral("--history")} + arguments,
                            {{QStringLiteral("XDG_DATA_HOME"), DataHome()}});
    }

    // Two IDs over two days, with every kind of status word and a field that needs quotes.
    std::unique_ptr<THistoryStore> WriteSample() {
        auto store = fixture.Open(HistoryPath());
        store->RecordCheck(Key("ana"), 1, UtcTime("2026-12-08T23:59:59Z"));
        store->RecordCheck(Key("say \"hi\", bob"), 2, UtcTime("2026-12-09T00:00:00Z"));
        store->RecordCheck(Key("ana"), 0, UtcTime("2026-12-09T14:03:07Z"));
        store->RecordCheck(Key("ana"), 255, UtcTime("2026-12-09T15:00:00Z"));
        store->RecordCheck(Key("say \"hi\", bob"), 10, UtcTime("2026-12-10T08:00:00Z"));
        return store;
    }

    THistoryFixture fixture;
};

const QByteArray kLines[] = {
    "2026-12-08T23:59:59Z,ana,Zentrilo,NOT SCANNED,OFFLINE\n",
    "2026-12-09T00:00:00Z,\"say \"\"hi\"\", bob\",Zentrilo,NOT SCANNED,ONLINE (INVISIBLE)\n",
    "2026-12-09T14:03:07Z,ana,Zentrilo,OFFLINE,ONLINE\n",
    "2026-12-09T15:00:00Z,ana,Zentrilo,ONLINE,ERROR\n",
    "2026-12-10T08:00:00Z,\"say \"\"hi\"\", bob\",Zentrilo,ONLINE (INVISIBLE),code 10\n",
};

TEST_F(HistoryCommandTest, AMissingHistoryPrintsTheHeaderAndIsNotCreated) {
    const TToolRun run = Run({});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kHeader);
    EXPECT_FALSE(QFileInfo::exists(DataHome()));
}

TEST_F(HistoryCommandTest, AnEmptyHistoryPrintsTheHeaderAndStaysEmpty) {
    QDir().mkpath(QFileInfo(HistoryPath()).path());
    QFile(HistoryPath()).open(QIODevice::WriteOnly);
    const TToolRun run = Run({});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kHeader);
    EXPECT_EQ(QFileInfo(HistoryPath()).size(), 0);
}

TEST_F(HistoryCommandTest, PrintsTheChangesOldestFirstWhileTheProgramRecords) {
    const auto store = WriteSample(); // still open, as in the running program
    const TToolRun run = Run({});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kHeader + kLines[0] + kLines[1] + kLines[2] + kLines[3] + kLines[4]);
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
}

TEST_F(HistoryCommandTest, SelectsByUtcDateAndId) {
    WriteSample();
    const struct {
        QStringList arguments;
        std::vector<int> lines;
    } cases[] = {
        {{"--since", "2026-12-09"}, {1, 2, 3, 4}},
        {{"--since", "2026-12-10"}, {4}},
        {{"--since", "2027-01-01"}, {}},
        {{"ana"}, {0, 2, 3}},
        {{"  ANA "}, {0, 2, 3}}, // as the list keeps IDs: trimmed, A-Z folded
        {{"say \"hi\", bob", "--since", "2026-12-09"}, {1, 4}},
        {{"ana", "say \"hi\", bob"}, {0, 1, 2, 3, 4}},
        {{"nobody"}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        QByteArray expected = kHeader;
        for (const int line : c.lines)
            expected += kLines[line];
        const TToolRun run = Run(c.arguments);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, expected);
    }
}

TEST_F(HistoryCommandTest, BadArgumentsExitWithTwoAndPrintNothing) {
    WriteSample();
    const QStringList cases[] = {
        {"--since"},
        {"--since", "2026-12-32"},
        {"--since", "2026-2-3"},
        {"--since", "09.12.2026"},
        {"--since", "2026-12-09", "--since", "2026-12-10"},
        {"--verbose"},
    };
    for (const QStringList& arguments : cases) {
        SCOPED_TRACE(arguments.join(QLatin1Char(' ')).toStdString());
        const TToolRun run = Run(arguments);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.out.isEmpty());
        EXPECT_TRUE(run.err.contains("--history [--since YYYY-MM-DD] [ID...]"));
    }
}

TEST_F(HistoryCommandTest, ADamagedHistoryIsReportedAndLeftAlone) {
    QDir().mkpath(QFileInfo(HistoryPath()).path());
    QFile file(HistoryPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(3000, '\x17'));
    file.close();
    const TToolRun run = Run({});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.isEmpty());
    EXPECT_TRUE(run.err.startsWith("zentrilo-check: cannot read the history: "))
        << run.err.toStdString();
    EXPECT_EQ(QFileInfo(HistoryPath()).size(), 3000);
    EXPECT_EQ(QDir(QFileInfo(HistoryPath()).path()).count(), 3u); // ".", ".." and the file
}

// A read-only folder holding the file and its write-ahead log but no shared-memory file: the
// rows in the log are printed, or nothing is and the tool says why; never the header alone. The
// folder's mode binds no root, so as root the tool runs as the user nobody.
TEST_F(HistoryCommandTest, AReadOnlyFolderWithItsLogIsReadWholeOrNotAtAll) {
    const auto store = WriteSample(); // still open: its rows are in the log
    QTemporaryDir shared;             // a folder the user nobody can reach
    ASSERT_TRUE(shared.isValid());
    const QString dataHome = shared.filePath(QStringLiteral("data"));
    const QString folder = dataHome + QStringLiteral("/ZentriloSoft");
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const QString& suffix : {QString(), QStringLiteral("-wal")})
        ASSERT_TRUE(QFile::copy(HistoryPath() + suffix,
                                folder + QStringLiteral("/history.sqlite") + suffix));
    ASSERT_GT(QFileInfo(folder + QStringLiteral("/history.sqlite-wal")).size(), 0);
    const auto readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    const auto enterable = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    for (const QString& file : QDir(folder).entryList(QDir::Files))
        QFile::setPermissions(folder + QLatin1Char('/') + file, readable);
    for (const QString& path : {shared.path(), dataHome})
        QFile::setPermissions(path, readable | enterable | QFile::WriteOwner);
    QFile::setPermissions(folder, readable | enterable);
    const QStringList launcher =
        geteuid() == 0
            ? QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                          QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")}
            : QStringList();
    const TToolRun run = RunCheckTool({QStringLiteral("--history")},
                                      {{QStringLiteral("XDG_DATA_HOME"), dataHome}}, launcher);
    QFile::setPermissions(folder, readable | enterable | QFile::WriteOwner);
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/history.sqlite-shm")));
    if (run.status == 0) {
        EXPECT_EQ(run.out, kHeader + kLines[0] + kLines[1] + kLines[2] + kLines[3] + kLines[4]);
    } else {
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
        EXPECT_TRUE(run.err.startsWith("zentrilo-check: cannot read the history: "))
            << run.err.toStdString();
    }
}

} // namespace

// A writer killed with SIGKILL at any moment leaves a database that opens as it is and holds
// every result it had committed. The test binary itself is the writer when started with
// ZENTRILO_HISTORY_WRITER naming the file (its environment runs before any test).
#include "tests/history/HistoryTestSupport.h"

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

const char kWriterVariable[] = "ZENTRILO_HISTORY_WRITER";
constexpr int kEntries = 5;

qint64 ResultTime(int index) {
    return Utc("2026-12-09T00:00:00Z") + qint64(index) * 1000;
}

// Result i goes to entry i mod 5 and flips it, so every result is one change row. Prints the
// index of each result once its commit has returned.
[[noreturn]] void RunWriter(const QString& path) {
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "history-writer";
        static char* argv[] = {name, nullptr};
        new QCoreApplication(argc, argv);
    }
    THistoryStore store(path);
    store.BeginRun();
    for (int i = 0;; ++i) {
        store.RecordCheck(Key(QByteArray::number(i % kEntries).constData()), (i / kEntries) % 2,
                          QDateTime::fromMSecsSinceEpoch(ResultTime(i), Qt::UTC));
        std::printf("committed %d\n", i);
        std::fflush(stdout);
    }
}

class TWriterEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsSet(kWriterVariable))
            RunWriter(qEnvironmentVariable(kWriterVariable));
    }
};

[[maybe_unused]] auto* const kWriter = ::testing::AddGlobalTestEnvironment(new TWriterEnvironment);

// The last index the writer reported whole; -1 for none. (Test runner lines come first.)
int LastCommitted(const QByteArray& output) {
    const QList<QByteArray> lines = output.left(output.lastIndexOf('\n')).split('\n');
    const QByteArray& last = lines.last();
    return last.startsWith("committed ") ? last.mid(10).toInt() : -1;
}

TEST(HistoryCrash, AKilledWriterLosesNothingItCommitted) {
    // Killed before anything, during the first results, and in full flow.
    for (const int killAfter : {-1, 0, 3, 40, 400}) {
        SCOPED_TRACE(killAfter);
        THistoryFixture fixture;
        QProcess writer;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(kWriterVariable), fixture.Path());
        writer.setProcessEnvironment(environment);
        writer.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--gtest_filter=HistoryCrash.*")});
        ASSERT_TRUE(writer.waitForStarted());
        QByteArray output;
        while (LastCommitted(output) < killAfter && writer.waitForReadyRead(10000))
            output += writer.readAllStandardOutput();
        ::kill(static_cast<pid_t>(writer.processId()), SIGKILL);
        ASSERT_TRUE(writer.waitForFinished(10000));
        output += writer.readAllStandardOutput();
        const int committed = LastCommitted(output);
        ASSERT_GE(committed, killAfter);

        auto store = fixture.Open();
        EXPECT_TRUE(fixture.warnings.empty());
        const auto changes = store->Changes(0, std::numeric_limits<qint64>::max());
        ASSERT_GE(static_cast<int>(changes.size()), committed + 1);
        for (int i = 0; i <= committed; ++i) {
            EXPECT_EQ(changes[i].TimeMs, ResultTime(i)) << i;
            EXPECT_EQ(changes[i].To, (i / kEntries) % 2) << i;
        }
    }
}

} // namespace

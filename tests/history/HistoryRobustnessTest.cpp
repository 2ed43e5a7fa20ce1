// Files the store cannot use as they are: damaged ones are moved aside and replaced, unwritable
// ones cost only the new rows. Each with exactly one warning.
#include "history/HistoryDatabase.h"
#include "history/HistoryReader.h"
#include "tests/history/HistoryTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <limits>

#include <sys/mount.h>
#include <unistd.h>

namespace {

constexpr qint64 kAll = std::numeric_limits<qint64>::max();

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// A history of `checks` alternating results of one ID, closed in order.
void WriteHistory(THistoryFixture& fixture, int checks) {
    auto store = fixture.Open();
    for (int i = 0; i < checks; ++i)
        store->RecordCheck(Key("a"), i % 2, QDateTime::fromMSecsSinceEpoch(fixture.nowMs + i));
    store->EndRun();
}

void Truncate(const QString& path, qint64 size) {
    QFile file(path);
    ASSERT_TRUE(file.resize(size));
}

void OverwritePage(const QString& path, int page) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(qint64(page) * 4096));
    file.write(QByteArray(4096, '\x5a'));
}

void ForeignDatabase(const QString& path) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "foreign");
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec(QStringLiteral("CREATE TABLE changes(anything TEXT)"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("foreign"));
}

TEST(HistoryDamage, MovesADamagedFileAsideAndStartsANewOne) {
    const struct {
        const char* name;
        std::function<void(THistoryFixture&)> damage;
    } cases[] = {
        {"bytes that are no database",
         [](THistoryFixture& f) { WriteFile(f.Path(), QByteArray(3000, '\x17')); }},
        {"a database cut short",
         [](THistoryFixture& f) {
             WriteHistory(f, 400);
             Truncate(f.Path(), 6000);
         }},
        {"a database with a page overwritten",
         [](THistoryFixture& f) {
             WriteHistory(f, 400);
             OverwritePage(f.Path(), 3);
         }},
        {"another program's database", [](THistoryFixture& f) { ForeignDatabase(f.Path()); }},
        {"a folder in its place", [](THistoryFixture& f) { QDir().mkpath(f.Path()); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        THistoryFixture fixture;
        c.damage(fixture);
        const bool isFile = QFileInfo(fixture.Path()).isFile();
        const QByteArray damaged = ReadFile(fixture.Path());
        fixture.nowMs = Utc("2026-12-09T14:03:07Z");

        auto store = fixture.Open();
        ASSERT_EQ(fixture.warnings.size(), 1u);
        EXPECT_EQ(fixture.warnings[0].Kind, THistoryWarningKind::Replaced);
        const QString movedTo = fixture.folder.filePath("history-damaged-20261209-140307.sqlite");
        EXPECT_EQ(fixture.warnings[0].Detail, movedTo);
        EXPECT_TRUE(QFileInfo::exists(movedTo));
        if (isFile) {
            EXPECT_EQ(ReadFile(movedTo), damaged); // moved, never repaired or changed
        }

        EXPECT_TRUE(store->Writable());
        store->RecordCheck(Key("b"), 0, UtcTime("2026-12-09T14:04:00Z"));
        ASSERT_EQ(store->Changes(0, kAll).size(), 1u);
        store.reset();
        EXPECT_EQ(fixture.Open()->Changes(0, kAll).size(), 1u);
        EXPECT_EQ(fixture.warnings.size(), 1u);
    }
}

TEST(HistoryDamage, ASecondDamageInTheSameSecondGetsItsOwnName) {
    THistoryFixture fixture;
    for (int i = 0; i < 2; ++i) {
        WriteFile(fixture.Path(), QByteArray(100, 'x'));
        fixture.Open();
    }
    ASSERT_EQ(fixture.warnings.size(), 2u);
    EXPECT_TRUE(fixture.warnings[0].Detail.endsWith("-damaged-20261209-120000.sqlite"));
    EXPECT_TRUE(fixture.warnings[1].Detail.endsWith("-damaged-20261209-120000-2.sqlite"));
    EXPECT_TRUE(QFileInfo::exists(fixture.warnings[0].Detail));
}

// A tmpfs of fixed size over a private folder (root only; the tests skip elsewhere).
class TSmallFileSystem {
public:
    explicit TSmallFileSystem(const QString& folder) : folder_(folder.toStdString()) {
        mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=256k,mode=0700") == 0;
    }
    ~TSmallFileSystem() {
        if (mounted_)
            ::umount2(folder_.c_str(), MNT_DETACH);
    }
    TSmallFileSystem(const TSmallFileSystem&) = delete;
    TSmallFileSystem& operator=(const TSmallFileSystem&) = delete;

    bool Mounted() const { return mounted_; }
    bool MakeReadOnly() {
        return ::mount("tmpfs", folder_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY,
                       "size=256k,mode=0700") == 0;
    }

private:
    std::string folder_;
    bool mounted_ = false;
};

// Takes every free byte of the file system; the file goes when the object does.
class TFiller {
public:
    explicit TFiller(const QString& path) : file_(path) {
        if (!file_.open(QIODevice::WriteOnly))
            return;
        const QByteArray block(4096, '\0');
        for (int i = 0; i < 1024 && file_.write(block) == block.size() && file_.flush(); ++i) {
        }
        file_.close();
    }
    ~TFiller() { file_.remove(); }

private:
    QFile file_;
};

TEST(HistoryUnwritable, AFullDiskDropsOnlyTheNewRowsWithOneWarning) {
    THistoryFixture fixture;
    TSmallFileSystem disk(fixture.folder.path());
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a small file system here";
    auto store = fixture.Open();
    const QDateTime start = UtcTime("2026-12-09T10:00:00Z");
    store->RecordCheck(Key("kept"), 0, start);
    {
        const TFiller filler(fixture.folder.filePath("filler"));
        for (int i = 1; i <= 200; ++i) // long IDs: every result a new entry and a new row
            store->RecordCheck(
                {QString(200, QChar('a' + i % 26)) + QString::number(i), OwnSourceName()}, 0,
                start.addSecs(i));
        ASSERT_EQ(fixture.warnings.size(), 1u);
        EXPECT_EQ(fixture.warnings[0].Kind, THistoryWarningKind::Unwritable);
        EXPECT_FALSE(fixture.warnings[0].Detail.isEmpty());
        const auto changes = store->Changes(0, kAll);
        ASSERT_FALSE(changes.empty());
        EXPECT_EQ(changes[0].Key, Key("kept"));
        EXPECT_LT(changes.size(), 201u);
    }
    // With room again, recording goes on; the entry whose rows were lost starts afresh.
    store->RecordCheck(Key("kept"), 1, start.addSecs(300));
    const auto changes = store->Changes(start.addSecs(300).toMSecsSinceEpoch(), kAll);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].To, 1);
    EXPECT_EQ(fixture.warnings.size(), 1u);
    store.reset();
    EXPECT_TRUE(fixture.Open()->Writable());
    EXPECT_EQ(fixture.warnings.size(), 1u);
}

TEST(HistoryUnwritable, AReadOnlyFolderRecordsNothingWithOneWarningAndStillShows) {
    THistoryFixture fixture;
    TSmallFileSystem disk(fixture.folder.path());
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a small file system here";
    WriteHistory(fixture, 3);
    ASSERT_TRUE(disk.MakeReadOnly());

    auto store = fixture.Open();
    ASSERT_EQ(fixture.warnings.size(), 1u);
    EXPECT_EQ(fixture.warnings[0].Kind, THistoryWarningKind::Unwritable);
    EXPECT_FALSE(store->Writable());
    store->BeginRun();
    store->RecordCheck(Key("b"), 0, UtcTime("2026-12-09T13:00:00Z"));
    store->SetRetentionDays(5);
    store->EndRun();
    EXPECT_EQ(fixture.warnings.size(), 1u);
    EXPECT_EQ(store->Changes(0, kAll).size(), 3u);

    // Nor can a new folder be made there.
    fixture.Open(fixture.folder.filePath("new/history.sqlite"));
    ASSERT_EQ(fixture.warnings.size(), 2u);
    EXPECT_EQ(fixture.warnings[1].Kind, THistoryWarningKind::Unwritable);
}

// On read-only media a file is read as one nobody changes only when no log is beside it: a log
// that holds rows is read, or the read fails; its rows are never skipped.
TEST(HistoryUnwritable, OnReadOnlyMediaALogWithRowsIsNeverSkipped) {
    THistoryFixture writer;
    auto store = writer.Open(); // still open: its rows are in the log
    for (int i = 0; i < 3; ++i)
        store->RecordCheck(Key("a"), i % 2, QDateTime::fromMSecsSinceEpoch(writer.nowMs + i));
    THistoryFixture fixture;
    TSmallFileSystem disk(fixture.folder.path());
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a small file system here";
    for (const QString& suffix : {QString(), QStringLiteral("-wal")})
        ASSERT_TRUE(QFile::copy(writer.Path() + suffix, fixture.Path() + suffix));
    ASSERT_GT(QFileInfo(fixture.Path() + QStringLiteral("-wal")).size(), 0);
    ASSERT_TRUE(disk.MakeReadOnly());

    THistoryDatabase db(fixture.Path());
    if (db.OpenForReading())
        EXPECT_EQ(ReadHistoryChanges(db.Connection(), 0, kAll).size(), 3u);
    else
        EXPECT_FALSE(db.LastError().isEmpty());
}

// Another writer holding the file's write lock, which makes writes fail as a full disk does,
// without root.
class TWriteLock {
public:
    explicit TWriteLock(const QString& path) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kName);
        db.setDatabaseName(path);
        held_ = db.open() && QSqlQuery(db).exec(QStringLiteral("BEGIN IMMEDIATE"));
    }
    ~TWriteLock() {
        QSqlDatabase::database(kName, false).close();
        QSqlDatabase::removeDatabase(kName);
    }
    TWriteLock(const TWriteLock&) = delete;
    TWriteLock& operator=(const TWriteLock&) = delete;
    bool Held() const { return held_; }

private:
    static constexpr const char* kName = "write-lock";
    bool held_ = false;
};

TEST(HistoryUnwritable, AFailedWriteCostsItsRowsOnlyAndWarnsOnceAfterRollingBack) {
    THistoryFixture fixture;
    auto store = fixture.Open();
    store->RecordCheck(Key("a"), 0, UtcTime("2026-12-09T10:00:00Z"));
    auto locker = std::make_unique<TWriteLock>(fixture.Path());
    ASSERT_TRUE(locker->Held());
    // While the warning is up the lock goes away and another check records: nothing of the
    // failed write may be left open around it.
    fixture.afterWarning = [&] {
        locker.reset();
        store->RecordCheck(Key("b"), 1, UtcTime("2026-12-09T10:01:00Z"));
    };
    store->RecordCheck(Key("a"), 1, UtcTime("2026-12-09T10:01:00Z"));
    ASSERT_EQ(fixture.warnings.size(), 1u);
    EXPECT_EQ(fixture.warnings[0].Kind, THistoryWarningKind::Unwritable);

    store->RecordCheck(Key("a"), 1, UtcTime("2026-12-09T10:02:00Z"));
    store.reset();
    const auto changes = fixture.Open()->Changes(0, kAll);
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0].Key, Key("a"));
    EXPECT_EQ(changes[1].Key, Key("b"));
    // The lost change is not invented: "a" starts afresh at its next result.
    EXPECT_EQ(changes[2].TimeMs, Utc("2026-12-09T10:02:00Z"));
    EXPECT_EQ(changes[2].From, kHistoryNotChecked);
    EXPECT_EQ(fixture.warnings.size(), 1u);
}

TEST(HistoryUnwritable, AFolderWithoutWritePermissionRecordsNothing) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root; the read-only file system case covers it";
    THistoryFixture fixture;
    WriteHistory(fixture, 3);
    QFile::setPermissions(fixture.folder.path(), QFile::ReadOwner | QFile::ExeOwner);
    auto store = fixture.Open();
    store->RecordCheck(Key("b"), 0, UtcTime("2026-12-09T13:00:00Z"));
    QFile::setPermissions(fixture.folder.path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_EQ(fixture.warnings.size(), 1u);
    EXPECT_EQ(fixture.warnings[0].Kind, THistoryWarningKind::Unwritable);
    EXPECT_TRUE(QFileInfo::exists(fixture.Path()));
}

} // namespace

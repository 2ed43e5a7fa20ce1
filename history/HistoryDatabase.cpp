#include "history/HistoryDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QStorageInfo>
#include <QUrl>
#include <QVariant>

#include <atomic>

namespace {

const char kDriver[] = "QSQLITE";

// SQLite's primary result codes that mean "cannot write now", not "the file is bad".
constexpr int kSqlitePerm = 3;
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteNoMem = 7;
constexpr int kSqliteReadOnly = 8;
constexpr int kSqliteIoErr = 10;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteFull = 13;
constexpr int kSqliteCantOpen = 14;
constexpr int kSqliteAuth = 23;

const char* const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS settings(name TEXT PRIMARY KEY, value TEXT NOT NULL)"
    " WITHOUT ROWID",
    "CREATE TABLE IF NOT EXISTS entries(id INTEGER PRIMARY KEY, buddy TEXT NOT NULL,"
    " source TEXT NOT NULL, UNIQUE(buddy, source))",
    "CREATE TABLE IF NOT EXISTS runs(id INTEGER PRIMARY KEY, started INTEGER NOT NULL,"
    " ended INTEGER)",
    // One entry watched through one run: from its first check to its last one.
    "CREATE TABLE IF NOT EXISTS watches(id INTEGER PRIMARY KEY, run INTEGER NOT NULL,"
    " entry INTEGER NOT NULL, first INTEGER NOT NULL, last INTEGER NOT NULL)",
    "CREATE TABLE IF NOT EXISTS changes(id INTEGER PRIMARY KEY, time INTEGER NOT NULL,"
    " entry INTEGER NOT NULL, old INTEGER NOT NULL, new INTEGER NOT NULL)",
    "CREATE INDEX IF NOT EXISTS changes_by_time ON changes(time)",
    "CREATE INDEX IF NOT EXISTS watches_by_run ON watches(run)",
    "PRAGMA user_version = 1",
};

// Names every column the store uses, so a foreign file with tables of the same names fails here.
const char kSchemaProbe[] =
    "SELECT s.name, s.value, e.id, e.buddy, e.source, r.started, r.ended, w.run, w.entry,"
    " w.first, w.last, c.time, c.entry, c.old, c.new"
    " FROM settings s, entries e, runs r, watches w, changes c LIMIT 0";

QString NextConnectionName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("zentrilo-history-%1").arg(counter++);
}

QSqlError Corruption(const QString& text) {
    return QSqlError(QString(), text, QSqlError::StatementError, QString::number(kSqliteCorrupt));
}

// Runs one statement; its first value, or the error.
std::optional<QSqlError> Exec(QSqlDatabase db, const char* sql, QVariant* firstValue = nullptr) {
    QSqlQuery query(db);
    if (!query.exec(QString::fromLatin1(sql)))
        return query.lastError();
    if (firstValue != nullptr)
        *firstValue = query.next() ? query.value(0) : QVariant();
    return std::nullopt;
}

std::optional<QSqlError> CreateSchema(QSqlDatabase db) {
    if (!db.transaction())
        return db.lastError();
    for (const char* statement : kSchema) {
        if (auto error = Exec(db, statement)) {
            db.rollback();
            return error;
        }
    }
    if (!db.commit())
        return db.lastError();
    return std::nullopt;
}

// A file with tables must already be ours: another program's database is left as it was.
std::optional<QSqlError> CheckOwnTables(QSqlDatabase db) {
    QVariant tables;
    if (auto error = Exec(db, "SELECT count(*) FROM sqlite_master", &tables))
        return error;
    return tables.toInt() == 0 ? std::nullopt : Exec(db, kSchemaProbe);
}

// A file nobody can change, read without locks. Only for read-only media, where no program can
// be writing it, and only without a log: SQLite would skip the rows in it.
QString ImmutableUri(const QString& path) {
    return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) + QStringLiteral("?immutable=1");
}

bool ReadableAsImmutable(const QString& path) {
    return QStorageInfo(QFileInfo(path).absolutePath()).isReadOnly() &&
           QFileInfo(path + QStringLiteral("-wal")).size() == 0;
}

} // namespace

THistoryDatabase::THistoryDatabase(const QString& path) : path_(path), name_(NextConnectionName()) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QString::fromLatin1(kDriver), name_);
    db.setDatabaseName(path_);
}

THistoryDatabase::~THistoryDatabase() {
    Close();
    QSqlDatabase::removeDatabase(name_);
}

QSqlDatabase THistoryDatabase::Connection() const {
    return QSqlDatabase::database(name_, false);
}

bool THistoryDatabase::IsOpen() const {
    return Connection().isOpen();
}

void THistoryDatabase::Close() {
    QSqlDatabase db = Connection();
    db.close();
    db.setConnectOptions();
}

bool THistoryDatabase::OpenForWriting(const QDateTime& nowUtc,
                                      std::optional<THistoryWarning>& warning) {
    const QString folder = QFileInfo(path_).absolutePath();
    if (!QDir().mkpath(folder)) {
        lastError_ = QStringLiteral("cannot create the folder ") + folder;
        warning = THistoryWarning{THistoryWarningKind::Unwritable, lastError_};
        return false;
    }
    const TOpenFault fault = TryOpenForWriting();
    if (fault == TOpenFault::None)
        return true;
    Close();
    if (fault == TOpenFault::Damaged) {
        if (const auto movedTo = MoveAside(nowUtc)) {
            if (TryOpenForWriting() == TOpenFault::None) {
                warning = THistoryWarning{THistoryWarningKind::Replaced, *movedTo};
                return true;
            }
            Close();
        } else {
            lastError_ = QStringLiteral("cannot move the damaged file aside: ") + lastError_;
        }
    }
    warning = THistoryWarning{THistoryWarningKind::Unwritable, lastError_};
    return false;
}

THistoryDatabase::TOpenFault THistoryDatabase::TryOpenForWriting() {
    if (!QSqlDatabase::isDriverAvailable(QString::fromLatin1(kDriver))) {
        lastError_ = QStringLiteral("Qt's SQLite driver is not installed");
        return TOpenFault::Unwritable;
    }
    QSqlDatabase db = Connection();
    // A check must never wait long for a lock that only another instance could hold.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=250"));
    if (!db.open())
        return Classify(db.lastError());
    if (const auto error = SetUp())
        return Classify(*error);
    return TOpenFault::None;
}

// Damage shows at the first read; WAL keeps each commit cheap and survives a killed process.
std::optional<QSqlError> THistoryDatabase::SetUp() {
    const QSqlDatabase db = Connection();
    QVariant result;
    if (auto error = Exec(db, "PRAGMA quick_check", &result))
        return error;
    if (result.toString() != QLatin1String("ok"))
        return Corruption(result.toString());
    if (auto error = CheckOwnTables(db))
        return error;
    if (auto error = Exec(db, "PRAGMA journal_mode=WAL", &result))
        return error;
    if (result.toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        return QSqlError(QString(), QStringLiteral("the write-ahead log cannot be used"),
                         QSqlError::StatementError, QString::number(kSqliteReadOnly));
    if (auto error = Exec(db, "PRAGMA synchronous=NORMAL"))
        return error;
    return CreateSchema(db);
}

THistoryDatabase::TOpenFault THistoryDatabase::Classify(const QSqlError& error) {
    lastError_ = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    const int code = error.nativeErrorCode().toInt() & 0xff;
    switch (code) {
    case 0: // no code: nothing proves the file bad
    case kSqlitePerm:
    case kSqliteBusy:
    case kSqliteLocked:
    case kSqliteNoMem:
    case kSqliteReadOnly:
    case kSqliteIoErr:
    case kSqliteFull:
    case kSqliteAuth:
        return TOpenFault::Unwritable;
    case kSqliteCantOpen:
        return QFileInfo::exists(path_) ? TOpenFault::Damaged : TOpenFault::Unwritable;
    default:
        return TOpenFault::Damaged;
    }
}

std::optional<QString> THistoryDatabase::MoveAside(const QDateTime& nowUtc) const {
    const QFileInfo info(path_);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    const QString stem = info.dir().filePath(info.completeBaseName() + QStringLiteral("-damaged-") +
                                             nowUtc.toUTC().toString(u"yyyyMMdd-HHmmss"));
    QString target = stem + suffix;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = stem + QLatin1Char('-') + QString::number(n) + suffix;
    if (!QFile::rename(path_, target))
        return std::nullopt;
    // The log goes with its file; left behind, it would be replayed into the new one.
    const QString wal = path_ + QStringLiteral("-wal");
    if (QFileInfo::exists(wal) && !QFile::rename(wal, target + QStringLiteral("-wal")))
        QFile::remove(wal);
    QFile::remove(path_ + QStringLiteral("-shm"));
    return target;
}

bool THistoryDatabase::OpenForReading() {
    if (!QFileInfo(path_).isFile() ||
        !QSqlDatabase::isDriverAvailable(QString::fromLatin1(kDriver)))
        return false;
    // With the log and its locks. Where the log's shared-memory file can be neither found nor
    // made, that fails; then only a file on read-only media without a log is read otherwise.
    if (TryOpenForReading(path_, "QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=250"))
        return true;
    const QString error = lastError_;
    if (ReadableAsImmutable(path_) &&
        TryOpenForReading(ImmutableUri(path_), "QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"))
        return true;
    lastError_ = error;
    return false;
}

bool THistoryDatabase::TryOpenForReading(const QString& name, const char* options) {
    QSqlDatabase db = Connection();
    db.setDatabaseName(name);
    db.setConnectOptions(QString::fromLatin1(options));
    // Opening is lazy: a file that is not a database fails only at its first read.
    std::optional<QSqlError> error;
    if (!db.open())
        error = db.lastError();
    else
        error = Exec(db, "SELECT count(*) FROM sqlite_master");
    db.setDatabaseName(path_);
    if (!error)
        return true;
    lastError_ = error->databaseText().isEmpty() ? error->text() : error->databaseText();
    Close();
    return false;
}

bool THistoryDatabase::HasHistory() const {
    return IsOpen() && !Exec(Connection(), kSchemaProbe);
}

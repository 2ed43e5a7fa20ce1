#include "tests/history/HistoryTestSupport.h"

#include "history/HistoryDatabase.h"

#include <QCoreApplication>
#include <QSqlQuery>

#include <gtest/gtest.h>

namespace {

// Qt SQL loads its driver through the application object.
class TQtCoreEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (QCoreApplication::instance() != nullptr)
            return;
        static int argc = 1;
        static char name[] = "zentrilo_tests_history";
        static char* argv[] = {name, nullptr};
        new QCoreApplication(argc, argv); // lives until the process ends
    }
};

[[maybe_unused]] auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new TQtCoreEnvironment);

} // namespace

qint64 Utc(const char* iso) {
    return UtcTime(iso).toMSecsSinceEpoch();
}

QDateTime UtcTime(const char* iso) {
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate);
}

THistoryKey Key(const char* id, const char* source) {
    return {QString::fromUtf8(id), QString::fromUtf8(source)};
}

QVariant RawSql(const QString& path, const QString& sql) {
    THistoryDatabase db(path);
    std::optional<THistoryWarning> warning;
    if (!db.OpenForWriting(QDateTime::currentDateTimeUtc(), warning))
        return {};
    QSqlQuery query(db.Connection());
    if (!query.exec(sql))
        ADD_FAILURE() << sql.toStdString() << ": " << query.lastError().text().toStdString();
    return query.next() ? query.value(0) : QVariant();
}

THistoryFixture::THistoryFixture() : nowMs(Utc("2026-12-09T12:00:00Z")) {}

QString THistoryFixture::Path() const {
    return folder.filePath(QStringLiteral("history.sqlite"));
}

std::unique_ptr<THistoryStore> THistoryFixture::Open(const QString& path) {
    return std::make_unique<THistoryStore>(
        path.isEmpty() ? Path() : path,
        [this](const THistoryWarning& warning) {
            warnings.push_back(warning);
            if (afterWarning)
                afterWarning();
        },
        [this] { return QDateTime::fromMSecsSinceEpoch(nowMs, Qt::UTC); });
}

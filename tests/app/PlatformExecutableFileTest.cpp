#include "app/platform/ExecutableFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <ctime>

namespace {

// Local time ten hours ahead of UTC for one scope, so that a date taken in UTC shows.
class TFarEastScope {
public:
    TFarEastScope() : saved_(qgetenv("TZ")), had_(qEnvironmentVariableIsSet("TZ")) {
        qputenv("TZ", "UTC-10");
        tzset();
    }
    ~TFarEastScope() {
        if (had_)
            qputenv("TZ", saved_);
        else
            qunsetenv("TZ");
        tzset();
    }
    TFarEastScope(const TFarEastScope&) = delete;
    TFarEastScope& operator=(const TFarEastScope&) = delete;

private:
    QByteArray saved_;
    bool had_;
};

TEST(ExecutableFile, IsTheRunningFile) {
    EXPECT_EQ(ExecutablePath(), QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath());
}

TEST(ExecutableFile, TheDateIsTheLocalCalendarDayOfTheLastChange) {
    TFarEastScope farEast;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("zentrilo"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const struct {
        QDateTime modified;
        QDate date;
    } cases[] = {
        // 14:30 UTC on the 3rd is already half past midnight of the 4th here.
        {QDateTime(QDate(2021, 3, 3), QTime(14, 30), QTimeZone::utc()), QDate(2021, 3, 4)},
        {QDateTime(QDate(2021, 3, 3), QTime(13, 59), QTimeZone::utc()), QDate(2021, 3, 3)},
        {QDateTime(QDate(2008, 12, 31), QTime(13, 59, 59), QTimeZone::utc()), QDate(2008, 12, 31)},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(file.setFileTime(c.modified, QFileDevice::FileModificationTime));
        EXPECT_EQ(ModificationDate(path), c.date) << c.modified.toString(Qt::ISODate).toStdString();
    }
}

TEST(ExecutableFile, AFileThatCannotBeExaminedGivesAValidDate) {
    const QDate date = ModificationDate(QStringLiteral("/nonexistent/zentrilo"));
    EXPECT_TRUE(date.isValid());
    EXPECT_GT(date, QDate(2020, 1, 1));
}

} // namespace

#include "app/platform/ExecutableFile.h"

#include "tests/shell/TimeZoneScope.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// The file the system started, in the system's own words.
QString RunningFile() {
#ifdef Q_OS_WIN
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return QFileInfo(QString::fromWCharArray(path)).canonicalFilePath();
#else
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
#endif
}

TEST(ExecutableFile, IsTheRunningFile) {
    EXPECT_EQ(ExecutablePath(), RunningFile());
}

TEST(ExecutableFile, TheDateIsTheLocalCalendarDayOfTheLastChange) {
    const TTimeZoneScope farEast("UTC-10"); // ten hours ahead of UTC, so that a date in UTC shows
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

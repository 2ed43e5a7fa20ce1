#include "app/platform/ExecutableFile.h"

#include <QDateTime>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

TEST(ExecutableFile, IsTheRunningFileWithItsLocalDate) {
    const QFileInfo running(QStringLiteral("/proc/self/exe"));
    EXPECT_EQ(ExecutablePath(), running.canonicalFilePath());
    const QDate date = ExecutableDate();
    ASSERT_TRUE(date.isValid());
    EXPECT_LE(date, QDate::currentDate());
    EXPECT_EQ(date, running.lastModified().date());
}

} // namespace

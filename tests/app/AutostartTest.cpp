#include "app/platform/XdgAutostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class Autostart : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        qputenv("XDG_CONFIG_HOME", home_.path().toUtf8());
    }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }

    static void WriteEntry(const QByteArray& content) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(AutostartFile()).absolutePath()));
        QFile file(AutostartFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    static QByteArray ReadEntry() {
        QFile file(AutostartFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static ino_t Inode() {
        struct stat info {};
        return ::stat(QFile::encodeName(AutostartFile()).constData(), &info) == 0 ? info.st_ino : 0;
    }

    QTemporaryDir home_;
};

TEST_F(Autostart, FileLivesUnderTheConfigHome) {
    EXPECT_EQ(AutostartFile(), home_.path() + QStringLiteral("/autostart/zentrilo.desktop"));
    EXPECT_FALSE(StartsWithWindows());
}

TEST_F(Autostart, ExistingEntryCountsUnlessSwitchedOff) {
    const struct {
        const char* content;
        bool starts;
    } cases[] = {
        {"[Desktop Entry]\nType=Application\nExec=\"/other/copy/zentrilo\" -minimized\n", true},
        {"", true},
        {"[Desktop Entry]\nHidden=true\n", false},
        {"[Desktop Entry]\nHidden = true\n", false},
        {"[Desktop Entry]\nHidden=false\n", true},
        {"[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n", false},
        {"[Desktop Entry]\nX-GNOME-Autostart-enabled=true\n", true},
        {"[Desktop Entry]\nExec=x\n[Desktop Action Quit]\nHidden=true\n", true},
        {"[Desktop Entry]\nX-GNOME-Autostart-enabled=0\n", false},
    };
    for (const auto& c : cases) {
        WriteEntry(c.content);
        EXPECT_EQ(StartsWithWindows(), c.starts) << c.content;
    }
}

TEST_F(Autostart, EnablingWritesAValidEntryStartingMinimized) {
    SetStartWithWindows(true);
    ASSERT_TRUE(StartsWithWindows());
    const QString path = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    const QStringList lines = QString::fromUtf8(ReadEntry()).split(u'\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.value(0), QStringLiteral("[Desktop Entry]"));
    for (const QString& expected :
         {QStringLiteral("Type=Application"), QStringLiteral("Name=Zentrilo"),
          QStringLiteral("Exec=\"%1\" -minimized").arg(path),
          QStringLiteral("X-GNOME-Autostart-enabled=true"),
          QStringLiteral("X-KDE-autostart-after=panel"), QStringLiteral("X-LXQt-Need-Tray=true")})
        EXPECT_TRUE(lines.contains(expected)) << expected.toStdString();
    EXPECT_EQ(lines.filter(QStringLiteral("X-GNOME-Autostart-Delay=")).size(), 1);
}

TEST(AutostartExecValue, QuotesThePathWithTheEscapesOfADesktopEntry) {
    const struct {
        const char* path;
        const char* exec; // as it appears after "Exec=" in the file
    } cases[] = {
        {"/usr/bin/zentrilo", R"("/usr/bin/zentrilo" -minimized)"},
        {"/opt/My Apps/zentrilo", R"("/opt/My Apps/zentrilo" -minimized)"},
        {"/opt/100%/zentrilo", R"("/opt/100%%/zentrilo" -minimized)"},
        {"/opt/a$b/zentrilo", R"("/opt/a\\$b/zentrilo" -minimized)"},
        {"/opt/a\"b/zentrilo", R"("/opt/a\\"b/zentrilo" -minimized)"},
        {"/opt/a`b/zentrilo", R"("/opt/a\\`b/zentrilo" -minimized)"},
        {"/opt/a\\b/zentrilo", R"("/opt/a\\\\b/zentrilo" -minimized)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AutostartExec(QString::fromUtf8(c.path)), QString::fromUtf8(c.exec)) << c.path;
}

TEST_F(Autostart, EnablingAgainLeavesAnIdenticalEntryUntouched) {
    SetStartWithWindows(true);
    const ino_t first = Inode();
    SetStartWithWindows(true);
    EXPECT_EQ(Inode(), first);
}

TEST_F(Autostart, EnablingReplacesAnotherPathOrASwitchedOffEntry) {
    SetStartWithWindows(true);
    const QByteArray expected = ReadEntry();
    for (const QByteArray& stale :
         {QByteArray("[Desktop Entry]\nType=Application\nExec=\"/old/zentrilo\" -minimized\n"),
          expected + "Hidden=true\n"}) {
        WriteEntry(stale);
        SetStartWithWindows(true);
        EXPECT_EQ(ReadEntry(), expected);
        EXPECT_TRUE(StartsWithWindows());
    }
}

TEST_F(Autostart, DisablingDeletesTheEntry) {
    SetStartWithWindows(true);
    SetStartWithWindows(false);
    EXPECT_FALSE(QFile::exists(AutostartFile()));
    EXPECT_FALSE(StartsWithWindows());
    SetStartWithWindows(false); // nothing there: still quiet
    EXPECT_FALSE(StartsWithWindows());
}

TEST_F(Autostart, UncreatableDirectoryDoesNothing) {
    QFile blocker(home_.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_CONFIG_HOME", blocker.fileName().toUtf8());
    SetStartWithWindows(true);
    EXPECT_FALSE(StartsWithWindows());
}

} // namespace

// Opening through the Windows shell: a target the shell cannot open is reported with the
// system's own words, and the shell's report names the target in Romanian.
#include "app/platform/ShellExecuteLauncher.h"
#include "tests/shell/ShellFakes.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

TEST(ShellExecute, SystemErrorTextIsTheSystemsWordsWithoutTheLineBreak) {
    for (const DWORD code : {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_NO_ASSOCIATION}) {
        const QString text = TShellExecuteLauncher::SystemErrorText(code);
        EXPECT_FALSE(text.isEmpty()) << code;
        EXPECT_FALSE(text.endsWith(u'\n') || text.endsWith(u'\r')) << code;
    }
}

TEST(ShellExecute, ATargetWithoutHandlerIsReportedWithTheReason) {
    const struct {
        const char* target;
    } cases[] = {{"zentrilo-no-such-scheme:sendim?x"}, {"C:\\no\\such\\folder\\file.zentrilo"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        TShellExecuteLauncher launcher;
        QString reason;
        bool failed = false;
        launcher.Open(QString::fromUtf8(c.target), [&](const QString& why) {
            failed = true;
            reason = why;
        });
        EXPECT_TRUE(failed);
        EXPECT_FALSE(reason.isEmpty());
    }
}

TEST(ShellExecute, ShellOpenShowsTheRomanianReport) {
    TShellExecuteLauncher launcher;
    InstallShellLauncher(&launcher);
    TFakeMessageBoxes boxes;
    const QString target = QStringLiteral("zentrilo-no-such-scheme:sendim?ana&m=");
    ShellOpen(target, QString());
    InstallShellLauncher(nullptr);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, TMessageKind::Warning);
    const QString prefix = QStringLiteral("Eroare la executia \"%1\" !\r\n\r\nMotiv: ").arg(target);
    EXPECT_TRUE(boxes.shown[0].text.startsWith(prefix)) << boxes.shown[0].text.toStdString();
    EXPECT_GT(boxes.shown[0].text.size(), prefix.size());
}

} // namespace

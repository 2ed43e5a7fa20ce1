#include "shell/uDialogs.h"
#include "tests/shell/ShellFakes.h"

#include <gtest/gtest.h>

namespace {

const QString kTarget = QStringLiteral("ymsgr:sendim?bob&m=");

QString Report(const char* reason) {
    return QStringLiteral("Eroare la executia \"ymsgr:sendim?bob&m=\" !\r\n\r\nMotiv: ") +
           QLatin1String(reason);
}

TEST(ShellOpen, AFailureIsReportedWhenItShowsInTheRomanianBoxWhateverTheLanguage) {
    TLanguageScope english(true);
    TFakeMessageBoxes boxes;
    {
        TFakeShellLauncher launcher;
        launcher.succeed = false;
        EXPECT_TRUE(ShellOpen(kTarget, QString()));
    }
    {
        TFakeShellLauncher launcher;
        launcher.late = true;
        EXPECT_TRUE(ShellOpen(kTarget, QString()));
        EXPECT_EQ(boxes.shown.size(), 1u); // nothing to say while the opener runs
        launcher.pending.at(0)(QStringLiteral("exit code 4"));
    }
    EXPECT_FALSE(ShellOpen(kTarget, QString())); // no launcher at all
    ASSERT_EQ(boxes.shown.size(), 3u);
    const std::vector<QString> expected = {Report("no handler"), Report("exit code 4"),
                                           Report("No program is set up to open it.")};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(boxes.shown[i].kind, TMessageKind::Warning);
        EXPECT_EQ(boxes.shown[i].caption, QStringLiteral("Zentrilo"));
        EXPECT_EQ(boxes.shown[i].text, expected[i]);
    }
}

TEST(ShellOpen, AGivenErrorTextReplacesTheReportAlsoLater) {
    TFakeMessageBoxes boxes;
    TFakeShellLauncher launcher;
    launcher.late = true;
    ShellOpen(kTarget, QStringLiteral("own text"));
    launcher.pending.at(0)(QStringLiteral("exit code 3"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("own text"));
}

} // namespace

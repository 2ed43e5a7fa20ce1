#include "remote/UpdateCheck.h"

#include "remote/RemoteSettings.h"
#include "shell/Language.h"
#include "shell/uDialogs.h"
#include "shell/uOptions.h"
#include "tests/shell/ShellFakes.h"

#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

const QDate kOwnDate(2010, 3, 10);

class UpdateCheck : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        qputenv("XDG_CONFIG_HOME", home_.path().toUtf8());
        qputenv("ZENTRILO_SITE", "site.example");
        qputenv("ZENTRILO_SITE_RO", "site.example.ro");
        UseEnglish = true;
        OwnReleaseDate = kOwnDate;
        Announce(QStringLiteral("0.6.0"), QDate(2010, 4, 1), QString());
        Restart();
    }
    void TearDown() override {
        Options = nullptr;
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("ZENTRILO_SITE");
        qunsetenv("ZENTRILO_SITE_RO");
        UseEnglish = true;
    }

    static void Announce(const QString& version, QDate date, const QString& notes) {
        LastVersion = version;
        LastReleaseDate = date;
        WhatsNew = notes;
    }
    // A new process: a fresh store with the options start-up defines.
    void Restart() {
        store_ = std::make_unique<TOptions>();
        store_->AddOption(QStringLiteral("General"), QStringLiteral("CheckForUpdates"), true,
                          varBoolean);
        Options = store_.get();
        Options->LoadFromRegistry(ProgramKey());
    }
    void ExitNormally() { Options->SaveToRegistry(ProgramKey()); }
    size_t Prompts() const {
        size_t count = 0;
        for (const TShownBox& box : boxes_.shown)
            count += box.kind == TMessageKind::Question ? 1 : 0;
        return count;
    }

    QTemporaryDir home_;
    TFakeMessageBoxes boxes_;
    TFakeShellLauncher launcher_;
    std::unique_ptr<TOptions> store_;
};

TEST_F(UpdateCheck, DecisionByDateThenByVersionText) {
    const struct {
        QDate date;
        const char* version;
        bool newer;
    } cases[] = {
        {QDate(2010, 3, 11), "0.5.4", true},
        {QDate(2010, 3, 11), "0.1", true},
        {kOwnDate, "0.5.4", false},
        {kOwnDate, "0.5.5", true},
        {kOwnDate, "0.5.10", false},
        {kOwnDate, "0.5.4a", true},
        {kOwnDate, "0.6", true},
        {kOwnDate, "0.5", false},
        {kOwnDate, "", false},
        {QDate(2010, 3, 9), "9.9.9", false},
        {ZeroDate(), "9.9.9", false},
    };
    for (const auto& c : cases) {
        Announce(QString::fromUtf8(c.version), c.date, QString());
        EXPECT_EQ(NewerVersionExists(), c.newer)
            << c.version << ' ' << c.date.toString().toStdString();
        boxes_.shown.clear();
        CheckForNewVersion(false);
        EXPECT_EQ(Prompts(), c.newer ? 1u : 0u) << c.version;
        EXPECT_TRUE(launcher_.opened.empty());
    }
}

TEST_F(UpdateCheck, AnnouncedOnceThenSilentAfterARestartButExplicitAlwaysAsks) {
    CheckForNewVersion(false);
    ASSERT_EQ(Prompts(), 1u);
    EXPECT_TRUE(boxes_.shown[0].defaultYes);
    EXPECT_EQ(Options->GetValue(QStringLiteral("0.6.0")), QVariant(true));
    ExitNormally();

    Restart();
    CheckForNewVersion(false);
    EXPECT_EQ(Prompts(), 1u);
    CheckForNewVersion(true);
    EXPECT_EQ(Prompts(), 2u);

    Announce(QStringLiteral("0.6.1"), QDate(2010, 5, 1), QString()); // a later release
    CheckForNewVersion(false);
    EXPECT_EQ(Prompts(), 3u);
}

TEST_F(UpdateCheck, FlagIsLostWithoutANormalExit) {
    CheckForNewVersion(false);
    Restart();
    CheckForNewVersion(false);
    EXPECT_EQ(Prompts(), 2u);
}

TEST_F(UpdateCheck, QuestionWithAndWithoutReleaseNotes) {
    const QString date = QLocale().toString(QDate(2010, 4, 1), QLocale::ShortFormat);
    CheckForNewVersion(true);
    Announce(QStringLiteral("0.6.0"), QDate(2010, 4, 1), QStringLiteral("Faster\r\nSmaller"));
    CheckForNewVersion(true);
    UseEnglish = false;
    CheckForNewVersion(true);
    ASSERT_EQ(boxes_.shown.size(), 3u);
    const QString question = QStringLiteral("A new version of Zentrilo is available!\r\n(v0.6.0, "
                                            "released on %1)\r\n\r\nDo you want to update?")
                                 .arg(date);
    const QString hyphens(37, u'-');
    EXPECT_EQ(boxes_.shown[0].text, question);
    EXPECT_EQ(boxes_.shown[1].text, question + QStringLiteral("\r\n\r\nNew in version 0.6.0:\r\n") +
                                        hyphens + QStringLiteral("\r\nFaster\r\nSmaller"));
    EXPECT_EQ(boxes_.shown[2].text,
              QString::fromUtf8("O nouă versiune a Zentrilo este disponibilă!\r\n(v0.6.0, "
                                "lansată pe %1)\r\n\r\nDoreşti să faci update?\r\n\r\nNoutăţi în "
                                "versiunea 0.6.0:\r\n")
                      .arg(date) +
                  hyphens + QStringLiteral("\r\nFaster\r\nSmaller"));
}

TEST_F(UpdateCheck, YesOpensTheDownloadPageOfTheLanguage) {
    boxes_.otherwise = IDYES;
    CheckForNewVersion(true);
    UseEnglish = false;
    CheckForNewVersion(true);
    boxes_.otherwise = IDNO;
    CheckForNewVersion(true);
    EXPECT_EQ(launcher_.opened,
              (std::vector<QString>{QStringLiteral("http://site.example/zentrilo/?ver=0.5.4"),
                                    QStringLiteral("http://site.example.ro/zentrilo/?ver=0.5.4")}));
}

TEST_F(UpdateCheck, ExplicitCheckWithNothingNewerSaysSoInBothLanguages) {
    Announce(QString(), ZeroDate(), QString()); // no fetch ever succeeded
    CheckForNewVersion(false);
    EXPECT_TRUE(boxes_.shown.empty());
    CheckForNewVersion(true);
    UseEnglish = false;
    Announce(QStringLiteral("0.5.4"), kOwnDate, QString());
    CheckForNewVersion(true);
    ASSERT_EQ(boxes_.shown.size(), 2u);
    EXPECT_EQ(boxes_.shown[0].kind, TMessageKind::Info);
    EXPECT_EQ(boxes_.shown[0].text, QStringLiteral("You have the latest version installed."));
    EXPECT_EQ(boxes_.shown[1].text, QString::fromUtf8("Ai ultima versiune instalată."));
    EXPECT_EQ(Options->IndexOf(QStringLiteral("0.5.4")), -1);
}

// The update link after its fetch: an unread settings file is reported, unless what is already
// known announces a newer release; a read file with nothing newer is the latest version.
TEST_F(UpdateCheck, AfterTheFetchAnUnreadFileSaysTheServerWasNotReached) {
    const struct {
        bool read;
        bool newerKnown;
        bool english;
        TMessageKind kind;
        const char* text; // none: the update question
    } cases[] = {
        {false, false, true, TMessageKind::Warning, "Could not reach the update server."},
        {false, false, false, TMessageKind::Warning,
         "Serverul de actualizări nu a putut fi contactat."},
        {true, false, true, TMessageKind::Info, "You have the latest version installed."},
        {false, true, true, TMessageKind::Question, nullptr},
        {true, true, true, TMessageKind::Question, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.read << c.newerKnown << c.english);
        UseEnglish = c.english;
        if (c.newerKnown)
            Announce(QStringLiteral("0.6.0"), QDate(2010, 4, 1), QString());
        else
            Announce(QStringLiteral("0.5.4"), kOwnDate, QString());
        boxes_.shown.clear();
        CheckForNewVersionAfterFetch(c.read);
        ASSERT_EQ(boxes_.shown.size(), 1u);
        EXPECT_EQ(boxes_.shown[0].kind, c.kind);
        if (c.text != nullptr) {
            EXPECT_EQ(boxes_.shown[0].text, QString::fromUtf8(c.text));
        }
    }
}

TEST_F(UpdateCheck, StoredFlagFromAnEarlierRunIsReloadedBeforeItIsRead) {
    TOptions earlierRun;
    earlierRun.AddOption(QStringLiteral("Updates"), QStringLiteral("0.6.0"), true, varBoolean);
    earlierRun.SaveToRegistry(ProgramKey()); // written after this run's start-up load
    CheckForNewVersion(false);
    EXPECT_EQ(Prompts(), 0u);
}

} // namespace

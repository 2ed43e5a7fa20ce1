#include "shell/uOptions.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class LanguageStore : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        qputenv("XDG_CONFIG_HOME", home_.path().toUtf8());
    }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }

    static void StoreLanguageText(const QString& text) {
        QSettings store(ProgramKey(), QSettings::NativeFormat);
        store.setValue(QStringLiteral("Language"), text);
    }

    QTemporaryDir home_;
};

TEST_F(LanguageStore, MissingStoreReadsEnglish) {
    EXPECT_TRUE(ReadLanguage());
}

TEST_F(LanguageStore, OnlyTheExactRomanianWordSelectsRomanian) {
    const struct {
        const char* stored;
        bool english;
    } cases[] = {{"Romana", false}, {"romana", true}, {"ROMANA", true},  {"Română", true},
                 {"English", true}, {"", true},       {"Romana ", true}, {"Deutsch", true}};
    for (const auto& c : cases) {
        StoreLanguageText(QString::fromUtf8(c.stored));
        EXPECT_EQ(ReadLanguage(), c.english) << c.stored;
    }
}

TEST_F(LanguageStore, StoreWithoutTheValueReadsEnglish) {
    QSettings store(ProgramKey(), QSettings::NativeFormat);
    store.setValue(QStringLiteral("General/CloseToTray"), QStringLiteral("1"));
    store.sync();
    EXPECT_TRUE(ReadLanguage());
}

TEST_F(LanguageStore, WriteThenReadBothWaysAndKeepsOtherValues) {
    {
        QSettings store(ProgramKey(), QSettings::NativeFormat);
        store.setValue(QStringLiteral("Items/User0"), QStringLiteral("bob"));
    }
    WriteLanguage(false);
    EXPECT_FALSE(ReadLanguage());
    WriteLanguage(true);
    EXPECT_TRUE(ReadLanguage());
    const QSettings store(ProgramKey(), QSettings::NativeFormat);
    EXPECT_EQ(store.value(QStringLiteral("Language")).toString(), QStringLiteral("English"));
    EXPECT_EQ(store.value(QStringLiteral("Items/User0")).toString(), QStringLiteral("bob"));
}

TEST_F(LanguageStore, UncreatableStoreDoesNothing) {
    QFile blocker(home_.filePath(QStringLiteral("blocker")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_CONFIG_HOME", blocker.fileName().toUtf8()); // a regular file: no dir below it
    WriteLanguage(false);
    EXPECT_FALSE(QFile::exists(ProgramKey()));
    EXPECT_TRUE(ReadLanguage());
}

} // namespace

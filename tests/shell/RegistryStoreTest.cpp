// The settings in the Windows registry: the program key under HKEY_CURRENT_USER, every value
// written as REG_SZ text (booleans "1"/"0", numbers in decimal), text that other programs wrote
// read by the same rules, and values no option names left as they are.
#include "shell/uOptions.h"
#include "tests/support/RegistryScratch.h"

#include <gtest/gtest.h>

namespace {

const std::wstring kProgram = L"Software\\ZentriloSoft\\Zentrilo";

std::wstring Under(const wchar_t* section) {
    return kProgram + L"\\" + section;
}

class RegistryStore : public testing::Test {
protected:
    void Define() {
        options_.AddOption(QStringLiteral("General"), QStringLiteral("CloseToTray"), true,
                           varBoolean);
        options_.AddOption(QStringLiteral("General"), QStringLiteral("CheckForUpdates"), true,
                           varBoolean);
        options_.AddOption(QStringLiteral("Items"), QStringLiteral("User0"), QString(), varString);
        options_.AddOption(QStringLiteral("Items"), QStringLiteral("Interval0"), 1, varInteger);
    }
    TOptions options_;
};

TEST_F(RegistryStore, ProgramKeyIsTheVendorKeyOfTheCurrentUser) {
    EXPECT_EQ(ProgramKey(), QStringLiteral("HKEY_CURRENT_USER\\Software\\ZentriloSoft\\Zentrilo"));
}

TEST_F(RegistryStore, SaveWritesEveryKindAsText) {
    Define();
    options_.SetValue(QStringLiteral("CheckForUpdates"), false);
    options_.SetValue(QStringLiteral("User0"), QStringLiteral("ana.maria"));
    options_.SetValue(QStringLiteral("Interval0"), 15);
    options_.SaveToRegistry(ProgramKey());
    const struct {
        const wchar_t* section;
        const wchar_t* name;
        const wchar_t* text;
    } cases[] = {{L"General", L"CloseToTray", L"1"},
                 {L"General", L"CheckForUpdates", L"0"},
                 {L"Items", L"User0", L"ana.maria"},
                 {L"Items", L"Interval0", L"15"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(QString::fromWCharArray(c.name).toStdString());
        const auto stored = ReadRegistryValue(Under(c.section), c.name);
        ASSERT_TRUE(stored.has_value());
        EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(stored->text, c.text);
    }
}

TEST_F(RegistryStore, LoadReadsTextOtherProgramsWrote) {
    const struct {
        const wchar_t* closeToTray;
        const wchar_t* interval;
        bool closeToTrayRead;
        int intervalRead;
    } cases[] = {{L"0", L"30", false, 30},
                 {L"2", L"$1F", true, 31},
                 {L"yes", L"x", true, 1},
                 {L" 1", L" +7", true, 7},
                 {L"", L"99999999999", true, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(QString::fromWCharArray(c.interval).toStdString());
        WriteRegistryText(Under(L"General"), L"CloseToTray", c.closeToTray);
        WriteRegistryText(Under(L"Items"), L"Interval0", c.interval);
        TOptions options;
        options.AddOption(QStringLiteral("General"), QStringLiteral("CloseToTray"), true,
                          varBoolean);
        options.AddOption(QStringLiteral("Items"), QStringLiteral("Interval0"), 1, varInteger);
        options.LoadFromRegistry(ProgramKey());
        EXPECT_EQ(options.GetValue(QStringLiteral("CloseToTray")).toBool(), c.closeToTrayRead);
        EXPECT_EQ(options.GetValue(QStringLiteral("Interval0")).toInt(), c.intervalRead);
    }
}

TEST_F(RegistryStore, UnknownValuesSurviveASave) {
    WriteRegistryText(Under(L"Items"), L"User7", L"beyond.the.limit");
    WriteRegistryText(kProgram, L"Note", L"left by the user");
    Define();
    options_.LoadFromRegistry(ProgramKey());
    options_.SaveToRegistry(ProgramKey());
    EXPECT_EQ(ReadRegistryValue(Under(L"Items"), L"User7")->text, L"beyond.the.limit");
    EXPECT_EQ(ReadRegistryValue(kProgram, L"Note")->text, L"left by the user");
}

TEST_F(RegistryStore, FirstRunGivesDefaultsAndCreatesNothing) {
    Define();
    options_.SetValue(QStringLiteral("CloseToTray"), false);
    options_.LoadFromRegistry(ProgramKey());
    EXPECT_TRUE(options_.GetValue(QStringLiteral("CloseToTray")).toBool());
    EXPECT_TRUE(ReadLanguage());
    EXPECT_FALSE(RegistryKeyExists(kProgram));
}

TEST_F(RegistryStore, LanguageIsTextAtTheProgramKey) {
    WriteLanguage(false);
    const auto stored = ReadRegistryValue(kProgram, L"Language");
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(stored->text, L"Romana");
    EXPECT_FALSE(ReadLanguage());
}

} // namespace

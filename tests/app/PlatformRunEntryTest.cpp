// "Start with Windows" on Windows: the value "Zentrilo" under the current user's Run key, its
// data the running executable in double quotes and "-minimized".
#include "app/platform/ExecutableFile.h"
#include "app/platform/RunEntry.h"
#include "tests/support/RegistryScratch.h"

#include <gtest/gtest.h>

namespace {

const std::wstring kRun = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::optional<TRegistryValue> RunValue() {
    return ReadRegistryValue(kRun, L"Zentrilo");
}

TEST(RunEntry, DataQuotesTheNativePathAndAddsTheSwitch) {
    const struct {
        const char* path;
        const char* data;
    } cases[] = {
        {"C:/Program Files/Zentrilo/zentrilo.exe",
         "\"C:\\Program Files\\Zentrilo\\zentrilo.exe\" -minimized"},
        {"D:\\z\\zentrilo.exe", "\"D:\\z\\zentrilo.exe\" -minimized"},
        {"C:/Users/Ana Maria/AppData/Local/Zentrilo & Co/zentrilo.exe",
         "\"C:\\Users\\Ana Maria\\AppData\\Local\\Zentrilo & Co\\zentrilo.exe\" -minimized"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RunEntryData(QString::fromUtf8(c.path)), QString::fromUtf8(c.data)) << c.path;
}

TEST(RunEntry, EnableWritesTheValueAndDisableRemovesIt) {
    EXPECT_FALSE(StartsWithWindows());
    SetStartWithWindows(true);
    const auto written = RunValue();
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(written->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(QString::fromStdWString(written->text), RunEntryData(ExecutablePath()));
    EXPECT_TRUE(StartsWithWindows());

    SetStartWithWindows(false);
    EXPECT_FALSE(RunValue().has_value());
    EXPECT_FALSE(StartsWithWindows());
    SetStartWithWindows(false); // nothing to remove: nothing happens
    EXPECT_FALSE(StartsWithWindows());
}

TEST(RunEntry, AnyDataCountsAndAnotherCopysPathIsReplaced) {
    WriteRegistryText(kRun, L"Zentrilo", L"\"C:\\Old\\zentrilo.exe\" -minimized");
    WriteRegistryText(kRun, L"Other", L"other.exe");
    EXPECT_TRUE(StartsWithWindows());
    SetStartWithWindows(true);
    EXPECT_EQ(QString::fromStdWString(RunValue()->text), RunEntryData(ExecutablePath()));
    EXPECT_EQ(ReadRegistryValue(kRun, L"Other")->text, L"other.exe");
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kRun.c_str(), L"Other");
}

} // namespace

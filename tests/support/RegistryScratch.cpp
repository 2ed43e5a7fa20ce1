#include "tests/support/RegistryScratch.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

namespace {

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class TScratchRegistry : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\ZentriloSoft");
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Zentrilo");
    }
};

// Only a scratch registry is cleared: a user's own settings are never the tests' to remove.
[[maybe_unused]] const bool kInstalled = [] {
    const char* scratch = std::getenv("ZENTRILO_SCRATCH_REGISTRY");
    if (scratch != nullptr && std::string_view(scratch) == "1")
        testing::UnitTest::GetInstance()->listeners().Append(new TScratchRegistry);
    return true;
}();

} // namespace

std::optional<TRegistryValue> ReadRegistryValue(const std::wstring& key, const std::wstring& name) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                       &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
    if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND,
                       &type, data.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    data.resize(wcsnlen(data.c_str(), data.size()));
    return TRegistryValue{type, data};
}

void WriteRegistryText(const std::wstring& key, const std::wstring& name,
                       const std::wstring& text) {
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), REG_SZ, text.c_str(),
                                static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
}

bool RegistryKeyExists(const std::wstring& key) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(opened);
    return true;
}

void RemoveRegistryKey(const std::wstring& key) {
    ::RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
}

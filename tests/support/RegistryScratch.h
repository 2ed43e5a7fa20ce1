#pragma once
// The Windows tests' registry: the program's keys under HKEY_CURRENT_USER, cleared before every
// test when the run is in a scratch registry (ZENTRILO_SCRATCH_REGISTRY=1, as the test script
// sets for its private Wine prefix), so each test starts as a first run does.

#include <windows.h>

#include <optional>
#include <string>

// A value's type and text under HKEY_CURRENT_USER; none when it is missing.
struct TRegistryValue {
    DWORD type = REG_NONE;
    std::wstring text;
};
std::optional<TRegistryValue> ReadRegistryValue(const std::wstring& key, const std::wstring& name);
// Writes a REG_SZ value, as the registry editor or another program would.
void WriteRegistryText(const std::wstring& key, const std::wstring& name, const std::wstring& text);
bool RegistryKeyExists(const std::wstring& key);
// Removes the key with everything under it, as a user deleting it in the registry editor would.
void RemoveRegistryKey(const std::wstring& key);

#include "shell/StoreLocation.h"

#include "shell/uOptions.h"

#include <windows.h>

namespace {

const QString kCurrentUser = QStringLiteral("HKEY_CURRENT_USER\\");

// The result of opening the key for reading; only keys under HKEY_CURRENT_USER are the
// program's.
LSTATUS OpenResult(const QString& key) {
    if (!key.startsWith(kCurrentUser))
        return ERROR_FILE_NOT_FOUND;
    const std::wstring path = key.mid(kCurrentUser.size()).toStdWString();
    HKEY opened = nullptr;
    const LSTATUS result = ::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &opened);
    if (result == ERROR_SUCCESS)
        ::RegCloseKey(opened);
    return result;
}

} // namespace

QString ProgramKey() {
    return kCurrentUser + QStringLiteral("Software\\ZentriloSoft\\Zentrilo");
}

bool StoreReadable(const QString& key) {
    return OpenResult(key) == ERROR_SUCCESS;
}

bool StoreExists(const QString& key) {
    const LSTATUS result = OpenResult(key);
    return result == ERROR_SUCCESS || result == ERROR_ACCESS_DENIED;
}

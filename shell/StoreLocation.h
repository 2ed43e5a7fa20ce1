#pragma once
// Where the settings store is and whether it can be opened, on each platform: a file under the
// XDG configuration folder on Linux, a key under HKEY_CURRENT_USER on Windows. The program key
// itself is ProgramKey() (uOptions.h); QSettings' native format reads and writes both.

#include <QString>

// "Open without creating" would succeed: the store exists and can be read.
bool StoreReadable(const QString& key);
// The store exists, readable or not.
bool StoreExists(const QString& key);

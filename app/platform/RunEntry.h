#pragma once
// "Start with Windows (minimized)": the value "Zentrilo" under the current user's Run key, whose
// data starts the running executable with "-minimized" at logon.

#include "app/platform/StartWithWindows.h"

#include <QString>

// The Run key, as QSettings' native format names it.
QString RunKey();
// The value's data for an executable path: the path in double quotes, a blank, "-minimized".
QString RunEntryData(const QString& executablePath);

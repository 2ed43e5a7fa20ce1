#pragma once
// "Start at login (minimized)" on a Linux desktop: an XDG autostart entry that starts the
// running executable with "-minimized" at login.

#include "app/platform/StartWithWindows.h"

#include <QString>

// The entry's Exec value for an executable path: the path double-quoted (with the escapes a
// desktop entry needs), a blank, "-minimized".
QString AutostartExec(const QString& executablePath);
// The entry's file ($XDG_CONFIG_HOME/autostart/zentrilo.desktop).
QString AutostartFile();

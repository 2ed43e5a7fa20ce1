#pragma once
// The platform layers the program runs with, one of each kind per platform, chosen here: the
// shell launcher, the tray backend, the end of the session, the single-instance rule and the
// start-at-login entry.

#ifdef _WIN32
#include "app/platform/NativeTrayBackend.h"
#include "app/platform/RunEntry.h"
#include "app/platform/SessionMessages.h"
#include "app/platform/ShellExecuteLauncher.h"
#include "app/platform/SingleInstanceWindows.h"
using TPlatformLauncher = TShellExecuteLauncher;
using TPlatformTrayBackend = TNativeTrayBackend;
using TPlatformSession = TSessionMessages;
#else
#include "app/platform/SessionSignals.h"
#include "app/platform/SingleInstance.h"
#include "app/platform/SystemTrayBackend.h"
#include "app/platform/XdgAutostart.h"
#include "app/platform/XdgLauncher.h"
using TPlatformLauncher = TXdgLauncher;
using TPlatformTrayBackend = TSystemTrayBackend;
using TPlatformSession = TSessionSignals;
#endif

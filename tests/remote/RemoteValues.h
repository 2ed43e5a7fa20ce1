#pragma once
// The process-wide values the remote settings set, back at their start values.

#include "remote/RemoteSettings.h"
#include "shell/Language.h"

inline void ResetRemoteValues() {
    BuddyLimit = 5;
    SiteScan = true;
    ProgramActive = true;
    LastVersion.clear();
    LastReleaseDate = ZeroDate();
    WhatsNew.clear();
    UseEnglish = true;
}

#pragma once
// Opens URLs through the Windows shell: ShellExecuteW with the verb "open", the active window as
// owner, no parameters, no working folder, SW_SHOWNORMAL. A refusal is reported with the
// system's own words for the error.

#include "shell/uDialogs.h"

class TShellExecuteLauncher : public IShellLauncher {
public:
    void Open(const QString& target, TOpenFailure onFailure) override;

    // The system's message text for an error code, without the line break it ends with.
    static QString SystemErrorText(unsigned long code);
};

#pragma once
// "Start with Windows (minimized)": each platform's entry that starts the program hidden in the
// tray at login (the Run value on Windows, an XDG autostart entry on Linux).

// True when the entry is there, whatever program it names.
bool StartsWithWindows();
// Writes the entry for the running executable (only when it differs), or removes it.
void SetStartWithWindows(bool enable);

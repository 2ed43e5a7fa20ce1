#pragma once
// Modal message boxes (topmost, caption "Zentrilo") and the shell "open", behind seams that the
// program fills with the real implementations and tests fill with scripted fakes.

#include <QString>

#include <functional>

#ifndef IDYES // windows.h defines them as macros, with the same values
constexpr int IDYES = 6;
constexpr int IDNO = 7;
#endif

enum class TMessageKind { Info, Warning, Question, QuestionWarning };

class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;
    // Shows one modal box with the caption, text, icon and buttons of the kind. For the two
    // question kinds `defaultYes` selects the default button and the result is IDYES or IDNO;
    // for the others the result is ignored.
    virtual int Show(TMessageKind kind, const QString& caption, const QString& text,
                     bool defaultYes) = 0;
};

// A failure to open, with its human-readable cause.
using TOpenFailure = std::function<void(const QString& reason)>;

class IShellLauncher {
public:
    virtual ~IShellLauncher() = default;
    // Starts opening the target (a URL) with the desktop's handler and returns without waiting
    // for it. A failure, found at once or only when the handler program has ended, is handed to
    // `onFailure` on the main thread.
    virtual void Open(const QString& target, TOpenFailure onFailure) = 0;
};

// The instances in use; nullptr (the start value) makes boxes silent and launches fail.
void InstallMessageBoxes(IMessageBoxes* boxes);
void InstallShellLauncher(IShellLauncher* launcher);

void ShowInfo(const QString& text);
void ShowWarning(const QString& text);
int AskYesNo(const QString& text, int defaultButton);        // 1: Yes is the default
int AskYesNoWarning(const QString& text, int defaultButton); // 1: Yes is the default

// Opens the target. A failure shows `errorText`, or when it is empty the Romanian report
// "Eroare la executia ..." with the target and the reason, also when it shows only after the
// handler program has ended. False when no launcher is there at all; true when the launch went
// out, since its outcome is known only later.
bool ShellOpen(const QString& target, const QString& errorText);

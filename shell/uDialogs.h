#pragma once
// Modal message boxes (topmost, caption "Zentrilo") and the shell "open", behind seams that the
// program fills with the real implementations and tests fill with scripted fakes.

#include <QString>

constexpr int IDYES = 6;
constexpr int IDNO = 7;

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

class IShellLauncher {
public:
    virtual ~IShellLauncher() = default;
    // Opens the target (a URL) with the desktop's handler. On failure returns false and sets
    // `reason` to a human-readable cause.
    virtual bool Open(const QString& target, QString& reason) = 0;
};

// The instances in use; nullptr (the start value) makes boxes silent and launches fail.
void InstallMessageBoxes(IMessageBoxes* boxes);
void InstallShellLauncher(IShellLauncher* launcher);

void ShowInfo(const QString& text);
void ShowWarning(const QString& text);
int AskYesNo(const QString& text, int defaultButton);        // 1: Yes is the default
int AskYesNoWarning(const QString& text, int defaultButton); // 1: Yes is the default

// Opens the target. On failure shows `errorText`, or when it is empty the Romanian report
// "Eroare la executia ..." with the target and the reason, and returns false.
bool ShellOpen(const QString& target, const QString& errorText);

#include "shell/uDialogs.h"

#include "shell/Language.h"

namespace {

IMessageBoxes* gBoxes = nullptr;
IShellLauncher* gLauncher = nullptr;

int ShowBox(TMessageKind kind, const QString& text, bool defaultYes) {
    if (gBoxes == nullptr)
        return IDNO;
    return gBoxes->Show(kind, AppTitle(), text, defaultYes);
}

} // namespace

void InstallMessageBoxes(IMessageBoxes* boxes) {
    gBoxes = boxes;
}
void InstallShellLauncher(IShellLauncher* launcher) {
    gLauncher = launcher;
}

void ShowInfo(const QString& text) {
    ShowBox(TMessageKind::Info, text, true);
}
void ShowWarning(const QString& text) {
    ShowBox(TMessageKind::Warning, text, true);
}

int AskYesNo(const QString& text, int defaultButton) {
    return ShowBox(TMessageKind::Question, text, defaultButton == 1);
}

int AskYesNoWarning(const QString& text, int defaultButton) {
    return ShowBox(TMessageKind::QuestionWarning, text, defaultButton == 1);
}

bool ShellOpen(const QString& target, const QString& errorText) {
    const TOpenFailure report = [target, errorText](const QString& reason) {
        if (!errorText.isEmpty())
            ShowWarning(errorText);
        else
            ShowWarning(
                QStringLiteral("Eroare la executia \"%1\" !\r\n\r\nMotiv: %2").arg(target, reason));
    };
    if (gLauncher == nullptr) {
        report(QStringLiteral("No program is set up to open it."));
        return false;
    }
    gLauncher->Open(target, report);
    return true;
}

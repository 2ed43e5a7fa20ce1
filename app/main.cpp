// The process entry: the single-instance rule, the "-minimized" switch, the language, the two
// windows and the message loop, with the platform's layers plugged into the shell's seams.

#include "app/ExitPaths.h"
#include "app/frmEdit.h"
#include "app/frmMain.h"
#include "app/platform/CommandLine.h"
#include "app/platform/PlatformLayers.h"
#include "app/platform/QtMessageBoxes.h"
#include "app/platform/QtTranslations.h"
#include "shell/Language.h"
#include "shell/uDialogs.h"
#include "shell/uOptions.h"

#include <QApplication>
#include <QIcon>

#include <memory>

namespace {

// At a login start the panel may come after the program; never wait longer than this for it.
constexpr int TrayWaitMs = 4000;

QIcon ProgramIcon() {
    QIcon icon;
    for (const char* size : {"16", "32", "48"})
        icon.addFile(QStringLiteral(":/zentrilo/tray-%1.png").arg(QLatin1String(size)));
    icon.addFile(QStringLiteral(":/zentrilo/zentrilo-128.png"));
    return icon;
}

int RunProgram(TSingleInstance& instance, bool minimized) {
    TQtMessageBoxes boxes;
    TPlatformLauncher launcher;
    InstallMessageBoxes(&boxes);
    InstallShellLauncher(&launcher);

    if (minimized)
        TPlatformTrayBackend::WaitForTrayHost(TrayWaitMs);
    const bool trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();

    // The window goes before the application object; its FormDestroy saves the settings.
    auto window = std::make_unique<TzentriloMF>(std::make_unique<TPlatformTrayBackend>());
    window->SetTrayAvailable(trayAvailable);
    window->HiddenInTray = minimized;
    // Kept until the process ends: a signal while the window saves must not end it half-way.
    TExitPaths exits(*window, [] { QCoreApplication::quit(); });
    // Returns at once: the remote settings and the checks come from the network worker.
    window->FormCreate();
    // A child of the main window, so it is centred over it and freed with it.
    window->SetEditForm(new TEditForm(window.get()));
    window->ApplyLanguage(UseEnglish);
    exits.Arm(&instance);
    // Without a tray, hiding would strand the user: a minimised window stands in for it.
    if (window->HiddenInTray && !trayAvailable)
        window->showMinimized();
    else if (!window->HiddenInTray)
        window->show();
    const int code = QApplication::exec();
    window.reset();
    InstallShellLauncher(nullptr);
    InstallMessageBoxes(nullptr);
    return code;
}

} // namespace

int main(int argc, char** argv) {
    const bool minimized = StartsMinimized(argc, argv);
    TSingleInstance instance;
    if (instance.AlreadyRunning())
        return 0;

    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setApplicationName(AppTitle());
    QApplication::setDesktopFileName(QStringLiteral("zentrilo"));
    Q_INIT_RESOURCE(zentrilo);
    QApplication::setWindowIcon(ProgramIcon());

    // Claimed before the window exists, so that a second start during the slow start-up (the
    // remote settings and first checks) already finds this one.
    if (instance.Listen() == TSingleInstance::clOtherInstance)
        return 0;

    UseEnglish = ReadLanguage();
    ApplyQtLanguage(UseEnglish); // the boxes of the start-up already speak it
    return RunProgram(instance, minimized);
}

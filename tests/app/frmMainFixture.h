#pragma once
// A main window over recording fakes: tray backend, message boxes, shell launcher, presence
// fetcher, a scripted add/edit dialog, and private settings and data directories (the presence
// history lives in the latter).

#include "app/frmEdit.h"
#include "app/frmMain.h"
#include "app/platform/QtTranslations.h"
#include "app/platform/XdgAutostart.h"
#include "monitor/Presence.h"
#include "remote/RemoteSettings.h"
#include "shell/Language.h"
#include "shell/StoreLocation.h"
#include "shell/TrayIcon.h"
#include "shell/uDialogs.h"
#include "shell/uOptions.h"
#include "tests/app/DesktopTrayFake.h"
#include "tests/monitor/MonitorFakes.h"
#include "tests/remote/RemoteValues.h"
#include "tests/shell/EventPump.h"
#ifdef Q_OS_WIN
#include "tests/support/RegistryScratch.h"
#endif

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

class MainWindowTest : public ::testing::Test {
public:
    void SetUp() override {
        ASSERT_TRUE(configDir.isValid());
        qputenv("XDG_CONFIG_HOME", configDir.path().toUtf8());
        ASSERT_TRUE(dataDir.isValid());
        qputenv("XDG_DATA_HOME", dataDir.path().toUtf8());
        qputenv("LOCALAPPDATA", dataDir.path().toUtf8()); // the history's folder on Windows
        for (const char* host : {"ZENTRILO_SITE", "ZENTRILO_SITE_RO"})
            qunsetenv(host);
        // The own service has hosts, as in a configured installation; the fake fetcher answers.
        for (const char* host : {"ZENTRILO_DETECT_HOST", "ZENTRILO_INDICATOR_HOST"})
            qputenv(host, "127.0.0.1:9");
        ResetRemoteValues();
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        InstallFetcher();
    }

    // Answers by the invisible-detection flag of the URL, recording every URL.
    void InstallFetcher() {
        SetPresenceFetcher(
            [this](const std::string& url, std::u16string& text, const TFetchControl&) {
                urls.push_back(url);
                const bool invisibleScan = url.find("invisiblescan=1") != std::string::npos;
                const int answer = invisibleScan ? secondAnswer : firstAnswer;
                if (answer < 0)
                    return false;
                text = ServiceReply(static_cast<TBuddyStatus>(answer));
                return true;
            });
    }

    void TearDown() override {
        window.reset();
        for (const char* host : {"ZENTRILO_DETECT_HOST", "ZENTRILO_INDICATOR_HOST"})
            qunsetenv(host);
        SetPresenceFetcher({});
        delete Options;
        Options = nullptr;
        ResetRemoteValues();
        ApplyQtLanguage(true);
        QLocale::setDefault(QLocale::c());
    }

    // Creates the window as the program does: construction, start-up, dialog, language. The
    // network answers at once unless `threaded`: then the window's own worker runs it.
    void Start(bool threaded = false) {
        auto backend = std::make_unique<TRecordingDesktopTray>();
        tray = backend.get();
        window = std::make_unique<TzentriloMF>(
            std::move(backend), threaded ? nullptr : std::make_unique<TInlineWorker>());
        tray->clickableProbe = [this] { return bool(window->TrayIcon().OnBalloonClick); };
        window->FormCreate();
        editForm = new TEditForm(window.get());
        editForm->RunModal = [this](TEditForm& form) {
            if (dialogScript.empty())
                return 2;
            auto step = dialogScript.front();
            dialogScript.pop_front();
            return step(form);
        };
        window->SetEditForm(editForm);
        window->ApplyLanguage(UseEnglish);
    }

    // A dialog step that types the ID and interval and presses OK.
    static std::function<int(TEditForm&)> Type(const QString& id, const QString& interval) {
        return [id, interval](TEditForm& form) {
            form.edNume->setText(id);
            form.cbInterval->setEditText(interval);
            return 1;
        };
    }

    std::unique_ptr<QSettings> Store() const {
        return std::make_unique<QSettings>(ProgramKey(), QSettings::NativeFormat);
    }
    // No store at all, as before a first run: the file on Linux, the key on Windows.
    static void RemoveStore() {
#ifdef Q_OS_WIN
        RemoveRegistryKey(L"Software\\ZentriloSoft\\Zentrilo");
#else
        QFile::remove(ProgramKey());
#endif
    }

    // A key pressed and released on the widget, as the keyboard delivers it.
    static void Key(QWidget* widget, int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &release);
    }
    static void DoubleClick(QWidget* widget, QPoint at) {
        QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(at),
                          widget->mapToGlobal(QPointF(at)), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &click);
    }

    // Runs `action` while the entry's countdown runs: true when the countdown went on, false
    // when it started over. The timer counts precisely here, so that a restart shows.
    static bool CountdownKept(TRecord& entry, const std::function<void()>& action) {
        QTimer& timer = entry.Timer();
        timer.setTimerType(Qt::PreciseTimer);
        timer.start();
        const int full = timer.remainingTime();
        EXPECT_TRUE(PumpUntil([&] { return timer.remainingTime() <= full - 20; }));
        const int before = timer.remainingTime();
        action();
        return timer.isActive() && timer.remainingTime() <= before;
    }

    int Rows() const {
        return window->lista->topLevelItemCount();
    }
    QString Cell(int row, int column) const {
        return window->lista->topLevelItem(row)->text(column);
    }
    void Select(int row) {
        window->lista->topLevelItem(row)->setSelected(true);
    }

    std::vector<QString> BoxTexts() const {
        std::vector<QString> texts;
        for (const TShownBox& box : boxes.shown)
            texts.push_back(box.text);
        return texts;
    }

    QTemporaryDir configDir;
    QTemporaryDir dataDir;
    TFakeMessageBoxes boxes;
    TFakeShellLauncher launcher;
    std::vector<std::string> urls;
    int firstAnswer = bsOffline;  // reply to invisiblescan=0; negative: the fetch fails
    int secondAnswer = bsOffline; // reply to invisiblescan=1
    TRecordingDesktopTray* tray = nullptr;
    std::unique_ptr<TzentriloMF> window;
    TEditForm* editForm = nullptr; // owned by the window
    std::deque<std::function<int(TEditForm&)>> dialogScript;
};

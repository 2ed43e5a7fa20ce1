#pragma once
// The main window: the one-off check, the watched list with its buttons, the switches, the
// links, and the tray icon with its menu. Start-up, hiding to the tray and the orderly exit.

#include "app/platform/DesktopTray.h"
#include "monitor/Check.h"
#include "monitor/NotifyPause.h"
#include "monitor/RecentChanges.h"
#include "monitor/Record.h"
#include "monitor/SourceCatalogue.h"
#include "monitor/TraySummary.h"
#include "net/NetWorker.h"
#include "shell/TrayIcon.h"

#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class TEditForm;
class THistoryForm;
class THistoryStore;
struct THistoryKey;
class TSourcesForm;

class TzentriloMF : public QWidget {
    Q_OBJECT
public:
    // Without a worker of its own the window runs a TNetWorker that posts to itself.
    explicit TzentriloMF(std::unique_ptr<IDesktopTray> trayBackend,
                         std::unique_ptr<INetWorker> worker = nullptr, QWidget* parent = nullptr);
    ~TzentriloMF() override;

    // Starts the start-up and returns at once; what needs the remote settings follows when
    // they have been read or have failed (SettingsLoaded).
    void FormCreate();
    void FormDestroy(); // runs once; abandons the network's work, then saves the settings
    void SetEditForm(TEditForm* form);
    void ApplyLanguage(bool english);

    void FormCloseQuery(bool& canClose);
    void WMUserExit();
    // The session manager's save request: saves and lets every later close exit; the session
    // may still be cancelled, so the window stays.
    void WMQueryEndSession();
    // The session ends: exits as the Exit button does.
    void WMEndSession();
    void HideToTray();
    void ShowFromTray();
    // Without a notification area, hiding would strand the user: minimise to the taskbar instead.
    void SetTrayAvailable(bool available);
    bool TrayAvailable() const { return trayAvailable_; }

    bool HiddenInTray = false;
    bool ExitRequested = false;
    // The stored switches and list have been read (after the remote settings).
    bool SettingsLoaded() const { return settingsLoaded_; }
    TTrayIcon& TrayIcon() { return trayIcon_; }
    // The presence history, from the loading of the stored list on; null before.
    THistoryStore* History() { return history_.get(); }
    // The history window once it was opened; null before.
    THistoryForm* HistoryForm() { return historyForm_.get(); }
    TCheckContext& CheckContext() { return context_; }
    Tobjs& Buddies() { return *objs_; }
    const TSourceCatalogue& Sources() const { return sources_; }
    // The Sources window, made when it is first opened; none before.
    TSourcesForm* SourcesForm() const { return sourcesForm_; }

    // The entry a list row refers to (rows do not own their entries).
    static TRecord* EntryOf(const QTreeWidgetItem* row);
    QTreeWidgetItem* SelectedRow() const;
    int rgLanguageIndex() const; // 0 English, 1 Romanian, -1 none

    // Header band.
    QFrame* Panel1;
    QLabel* Image1;
    QLabel* lbAppWithVersion;
    QLabel* lbDesc;
    QLabel* lbUses;
    QLabel* lbVendorSite;
    // Donation band.
    QFrame* Panel2;
    QLabel* lbFree;
    QLabel* btnDonate;
    // One-off check.
    QGroupBox* gbCheckBuddy;
    QLabel* lbYahooID;
    QLineEdit* edBuddyID;
    QComboBox* cbCheckSource;
    QPushButton* btnCheckBuddy;
    QLabel* lbStatus;
    // The watched list.
    QLabel* lbInfo;
    QTreeWidget* lista;
    QPushButton* btnAdd;
    QPushButton* btnEdit;
    QPushButton* btnDelete;
    QPushButton* btnHistory;
    QPushButton* btnSources;
    QPushButton* btnCheck;
    QPushButton* btnCheckAll;
    QPushButton* btnExit;
    // Switches, language and links.
    QCheckBox* cbStartWithWindows;
    QCheckBox* cbCloseToTray;
    QCheckBox* cbCheckForUpdates;
    QCheckBox* cbPlaySound;
    QGroupBox* rgLanguage;
    QRadioButton* rgLanguageEnglish;
    QRadioButton* rgLanguageRomanian;
    QLabel* lbHomepage;
    QLabel* lbCheckForUpdates;
    QFrame* Bevel2;
    QLabel* Label1;
    // Tray menu and the one-off result's clearing timer.
    QMenu* PopupMenu1;
    QAction* Show1;
    QMenu* ContactsMenu; // one item per row, filled when it opens
    QAction* CheckAll1;
    QMenu* RecentMenu; // the recent changes, filled when it opens
    QMenu* PauseMenu;
    QAction* PauseHour1;
    QAction* PauseOn1; // until turned back on
    QAction* History1;
    QAction* Sources1;
    QAction* Exit1;
    QTimer* ClearStatusTimer;

    // Lifecycle and tray.
    void TrayIconClick();
    void Show1Click();
    void History1Click();
    void Exit1Click();
    void btnExitClick();
    void cbStartWithWindowsClick();
    void rgLanguageClick();
    void LoadSettings();
    void SaveSettings();
    void SaveChanges(); // the switches, the list and the options, at once

    // Links.
    void lbVendorSiteClick();
    void lbHomepageClick();
    void btnDonateClick();
    void lbCheckForUpdatesClick();
    void lbVendorSiteMouseEnter(QLabel* link);
    void lbVendorSiteMouseLeave(QLabel* link);

    // The list.
    void AddBuddy(const QString& text, int minutes, const QString& source = {},
                  const QString& notify = {});
    void RefreshRow(TRecord* entry);
    void UpdateButtons();
    void btnCheckClick();
    void btnCheckAllClick();
    void CheckAllBuddies();
    void btnAddClick();
    void btnEditClick();
    void btnDeleteClick();
    void btnHistoryClick();
    void listaKeyDown(int key); // Qt key code
    void listaSelectItem();

    // The tray: its picture and tooltip follow the list; its menu acts on it.
    void UpdateTray();
    void FillContactsMenu();
    void FillRecentMenu();
    void ShowRecentChanges(); // the recent changes as a menu at the pointer
    void PauseHour1Click();
    void PauseOn1Click();
    const TRecentChanges& RecentChanges() const { return recent_; }
    const TNotifyPause& NotifyPause() const { return pause_; }
    // Why the latest save of the settings failed; empty while they are saved.
    const QString& SaveFailure() const { return saveFailure_; }

    // The presence sources.
    void btnSourcesClick();
    void Sources1Click();
    // After the Sources window changed the user's sources: stores them, lets the entries of a
    // renamed source follow it and shows the rows anew.
    void SourcesChanged(const QString& from, const QString& to);

    // The one-off check.
    void btnCheckBuddyClick();
    void edBuddyIDKeyDown(int key); // Qt key code
    void edBuddyIDKeyUp();
    void ClearStatusTimerTimer();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void CreateHeader();
    void CreateCheckBuddy();
    void CreateList();
    void CreateBottom();
    void SetTabOrder();
    void ConnectHandlers();
    void ArrangeControls();
    void SetupTray();
    void CreateTrayMenu();
    void ConnectTrayMenu();
    void ShowTrayMenuTexts(bool english);
    void ShowPauseChecks();
    void ContactChosen(const TRecord* entry);
    void NoteSave(bool saved, const QString& reason);
    void FinishStartUp();
    void StartUpNotices(bool retired);
    void DefineOptions();
    void DefineSlots(int count);
    void LoadBuddies();
    void StartHistory();
    void ShowHistory();
    void RefreshHistoryWindow();
    void LeaveHistory(const THistoryKey& key);
    void ShowListInfo(bool english);
    void WordListInfo(bool english);
    void ShowIdCaptions(bool english);
    QStringList ListSources() const;
    QString StatusTip(const TRecord& entry) const;
    void ShowCheckCaptions(bool english);
    static QString CheckingText(bool english);
    bool CheckAllUnderWay() const;
    void ShowOneOffResult(const QString& trimmed, const QString& source,
                          const TSourceOutcome& outcome);
    QString AddSource() const;
    QString SourceLabel(const TRecord& entry) const;
    void FillCheckSources();
    int UsersOf(const QString& sourceName) const;
    void ShowStillRunningBalloon();
    void OpenSitePage(const char* pathAndQuery);
    void SetStatusColour(const QColor& colour);
    bool LinkEvent(QLabel* link, QEvent* event);

    IDesktopTray* desktopTray_; // owned by the tray icon
    TTrayIcon trayIcon_;
    std::optional<TTrayState> trayState_; // what the picture shows; none before the first
    TRecentChanges recent_;
    TNotifyPause pause_;
    QString saveFailure_;
    bool saveFailureSaid_ = false; // once a run
    TCheckContext context_;
    std::unique_ptr<INetWorker> worker_;
    std::unique_ptr<Tobjs> objs_;
    std::vector<TNetJobPtr> checkAllRound_; // the checks of the latest "Check All Now"
    TNetJobPtr oneOff_;
    TNetJobPtr updateCheck_;
    TEditForm* editForm_ = nullptr;
    TSourceCatalogue sources_;
    TSourcesForm* sourcesForm_ = nullptr;
    std::optional<QString> lastSourceUsed_; // chosen in the latest add or edit
    std::unique_ptr<THistoryStore> history_;
    std::unique_ptr<THistoryForm> historyForm_; // goes before the store it shows
    int slotsDefined_ = 0; // "User%d" and "Interval%d" exist for the slots below
    bool trayAvailable_ = true;
    bool settingsLoaded_ = false;
    int infoLimit_ = 0; // the limit the list's caption shows
    bool destroyed_ = false;
};

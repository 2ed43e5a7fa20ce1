#include "app/frmMain.h"

#include "app/frmEdit.h"
#include "app/frmHistory.h"
#include "app/platform/ExecutableFile.h"
#include "app/platform/StartWithWindows.h"
#include "monitor/Check.h"
#include "monitor/NotifyChoice.h"
#include "monitor/SourceSettings.h"
#include "remote/RemoteSettings.h"
#include "remote/UpdateCheck.h"
#include "shell/IntegerText.h"
#include "shell/Language.h"
#include "shell/uDialogs.h"
#include "shell/uOptions.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>

// The pictures live in a static library; nothing else would pull them into the program.
static void InitPictures() {
    static const bool done = [] {
        Q_INIT_RESOURCE(zentrilo);
        return true;
    }();
    (void)done;
}

namespace {

constexpr int kClientWidth = 549;
constexpr int kClientHeight = 508;

QString UserName(int slot) {
    return QStringLiteral("User%1").arg(slot);
}
QString IntervalName(int slot) {
    return QStringLiteral("Interval%1").arg(slot);
}

} // namespace

TzentriloMF::TzentriloMF(std::unique_ptr<IDesktopTray> trayBackend,
                         std::unique_ptr<INetWorker> worker, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      desktopTray_(trayBackend.get()), trayIcon_(std::move(trayBackend)),
      worker_(std::move(worker)), objs_(std::make_unique<Tobjs>(context_)) {
    if (!worker_)
        worker_ = std::make_unique<TNetWorker>([this](std::function<void()> apply) {
            QMetaObject::invokeMethod(this, std::move(apply), Qt::QueuedConnection);
        });
    InitPictures();
    setObjectName(QStringLiteral("zentriloMF"));
    context_.tray = &trayIcon_;
    context_.worker = worker_.get();
    context_.sources = &sources_;
    context_.recent = &recent_;
    context_.pause = &pause_;
    // A row and the buttons show whether its check is under way.
    context_.checkUnderWay = [this](TRecord& entry) {
        RefreshRow(&entry);
        UpdateButtons();
    };
    // A result shows in the history window too while that is open, and in the tray.
    context_.refreshRow = [this](TRecord& entry) {
        context_.checkUnderWay(entry);
        RefreshHistoryWindow();
        UpdateTray();
    };
    CreateControls();
    setMinimumSize(kClientWidth, kClientHeight);
    resize(kClientWidth, kClientHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    ArrangeControls();
    SetupTray();
    ConnectHandlers();
}

TzentriloMF::~TzentriloMF() {
    FormDestroy();
}

void TzentriloMF::SetupTray() {
    UpdateTray();
    desktopTray_->SetMenu(PopupMenu1);
    trayIcon_.BalloonFlags = bfInfo;
    trayIcon_.BalloonTimeout = 5000;
    trayIcon_.OnClick = [this] { TrayIconClick(); };
    trayIcon_.OnBalloonClick = TrayIconBalloonClick;
    trayIcon_.SetVisible(true);
}

void TzentriloMF::ConnectHandlers() {
    ConnectTrayMenu();
    connect(btnExit, &QPushButton::clicked, this, [this] { btnExitClick(); });
    // `clicked` comes from the user only, so assigning a state at start-up writes nothing.
    connect(cbStartWithWindows, &QCheckBox::clicked, this, [this] { cbStartWithWindowsClick(); });
    for (QCheckBox* box : {cbCloseToTray, cbCheckForUpdates})
        connect(box, &QCheckBox::clicked, this, [this] { SaveChanges(); });
    connect(cbPlaySound, &QCheckBox::clicked, this, [this] {
        desktopTray_->SetSound(cbPlaySound->isChecked());
        SaveChanges();
    });
    connect(rgLanguageEnglish, &QRadioButton::clicked, this, [this] { rgLanguageClick(); });
    connect(rgLanguageRomanian, &QRadioButton::clicked, this, [this] { rgLanguageClick(); });
    connect(btnAdd, &QPushButton::clicked, this, [this] { btnAddClick(); });
    connect(btnEdit, &QPushButton::clicked, this, [this] { btnEditClick(); });
    connect(btnDelete, &QPushButton::clicked, this, [this] { btnDeleteClick(); });
    connect(btnHistory, &QPushButton::clicked, this, [this] { btnHistoryClick(); });
    connect(btnSources, &QPushButton::clicked, this, [this] { btnSourcesClick(); });
    connect(btnCheck, &QPushButton::clicked, this, [this] { btnCheckClick(); });
    connect(btnCheckAll, &QPushButton::clicked, this, [this] { btnCheckAllClick(); });
    connect(btnCheckBuddy, &QPushButton::clicked, this, [this] { btnCheckBuddyClick(); });
    connect(cbCheckSource, &QComboBox::currentIndexChanged, this,
            [this] { ShowIdCaptions(UseEnglish); });
    connect(lista, &QTreeWidget::itemSelectionChanged, this, [this] { listaSelectItem(); });
    connect(ClearStatusTimer, &QTimer::timeout, this, [this] { ClearStatusTimerTimer(); });
    for (QObject* watched :
         {static_cast<QObject*>(lista), static_cast<QObject*>(lista->viewport()),
          static_cast<QObject*>(edBuddyID), static_cast<QObject*>(lbVendorSite),
          static_cast<QObject*>(lbHomepage), static_cast<QObject*>(lbCheckForUpdates),
          static_cast<QObject*>(btnDonate)})
        watched->installEventFilter(this);
}

void TzentriloMF::FormCreate() {
    OwnReleaseDate = ExecutableDate();
    const QString caption = QStringLiteral("%1 v%2").arg(AppTitle(), ProgramVersion());
    setWindowTitle(caption);
    lbAppWithVersion->setText(caption);
    trayIcon_.SetHint(AppTitle());
    for (QLabel* link : {lbVendorSite, lbHomepage, lbCheckForUpdates})
        lbVendorSiteMouseLeave(link);
    edBuddyID->setFocus();
    cbStartWithWindows->setChecked(StartsWithWindows());
    (UseEnglish ? rgLanguageEnglish : rgLanguageRomanian)->setChecked(true);
    // Until the stored switches are read they show their defaults and cannot be changed.
    for (QCheckBox* box : {cbCloseToTray, cbCheckForUpdates, cbPlaySound}) {
        box->setChecked(box != cbPlaySound);
        box->setEnabled(false);
    }
    ClearStatusTimerTimer();
    UpdateButtons();
    LoadRemoteSettings(*worker_, [this](bool) { FinishStartUp(); });
}

// The start-up's steps that follow the remote settings: the number of slots depends on them.
void TzentriloMF::FinishStartUp() {
    DefineOptions();
    LoadSettings();
    settingsLoaded_ = true;
    cbCloseToTray->setChecked(Options->GetValue(QStringLiteral("CloseToTray")).toBool());
    cbCheckForUpdates->setChecked(Options->GetValue(QStringLiteral("CheckForUpdates")).toBool());
    cbPlaySound->setChecked(Options->GetValue(QStringLiteral("PlaySound")).toBool());
    desktopTray_->SetSound(cbPlaySound->isChecked());
    for (QCheckBox* box : {cbCloseToTray, cbCheckForUpdates, cbPlaySound})
        box->setEnabled(true);
    ShowListInfo(UseEnglish);
    StartHistory(); // the run begins before the first checks go out
    sources_.SetUserSources(LoadSources(ProgramKey()));
    FillCheckSources();
    LoadBuddies();
    UpdateButtons();
    // After the first checks' answers, as when start-up waited for each of them. A value that
    // a later fetch brings changes nothing of this start.
    worker_->Then([this, retired = !ProgramActive] { StartUpNotices(retired); });
}

void TzentriloMF::StartUpNotices(bool retired) {
    if (retired)
        ShowWarning(DiscontinuedText());
    if (cbCheckForUpdates->isChecked())
        CheckForNewVersion(false);
    if (retired)
        btnExitClick(); // the end, by the orderly exit that saves the settings
}

void TzentriloMF::DefineOptions() {
    delete Options; // one store per start-up of a main window
    Options = new TOptions;
    const QString general = QStringLiteral("General");
    for (const char* name : {"CloseToTray", "CheckForUpdates", "StillRunning"})
        Options->AddOption(general, QLatin1String(name), true, varBoolean);
    Options->AddOption(general, QStringLiteral("PlaySound"), false, varBoolean);
    slotsDefined_ = 0;
    DefineSlots(BuddySlotCount());
}

// Slots 0 to count - 1 exist as options; slots already defined stay as they are.
void TzentriloMF::DefineSlots(int count) {
    const QString items = QStringLiteral("Items");
    for (; slotsDefined_ < count; ++slotsDefined_) {
        Options->AddOption(items, UserName(slotsDefined_), QString(), varString);
        Options->AddOption(items, IntervalName(slotsDefined_), 1, varInteger);
        DefineSourceOption(*Options, slotsDefined_);
        DefineNotifyOption(*Options, slotsDefined_);
    }
}

void TzentriloMF::LoadBuddies() {
    for (int slot = 0; slot < BuddySlotCount(); ++slot) {
        const QString user = Options->GetValue(UserName(slot)).toString();
        if (user.isEmpty())
            continue;
        AddBuddy(user, IntegerTextOr(Options->GetValue(IntervalName(slot)).toString(), 1),
                 SlotSourceName(*Options, slot),
                 Options->GetValue(NotifyOptionName(slot)).toString());
    }
}

void TzentriloMF::LoadSettings() {
    Options->LoadFromRegistry(ProgramKey());
}

// The slots follow the rows, not the limit of the day: a limit raised since start-up loses no
// added row, and one lowered brings back no row that was deleted or edited.
void TzentriloMF::SaveSettings() {
    const int rows = lista->topLevelItemCount();
    DefineSlots(rows);
    for (int slot = 0; slot < slotsDefined_; ++slot) {
        const TRecord* entry = slot < rows ? EntryOf(lista->topLevelItem(slot)) : nullptr;
        Options->SetValue(UserName(slot), entry != nullptr ? entry->ID : QString());
        Options->SetValue(IntervalName(slot), entry != nullptr ? entry->Interval : 1);
        SetSlotSourceName(*Options, slot, entry != nullptr ? entry->Source : QString());
        Options->SetValue(NotifyOptionName(slot), entry != nullptr ? entry->Notify : QString());
    }
    QString reason;
    const bool saved = Options->SaveToRegistry(ProgramKey(), &reason);
    NoteSave(saved, reason);
}

void TzentriloMF::FormDestroy() {
    if (destroyed_)
        return;
    destroyed_ = true;
    worker_->Stop(); // nothing is applied after the save below
    if (history_)
        history_->EndRun(); // after the last result, which the worker's stop settled
    ClearStatusTimer->stop();
    SaveChanges();
    lista->clear();
    objs_->Clear();
}

// Each change goes to disk at once (atomically, as at exit), so that a kill, a crash of the
// session or a power cut loses none of it. Before the stored settings were read there is nothing
// of this run's to write, and an empty list must not replace the stored one.
void TzentriloMF::SaveChanges() {
    if (!settingsLoaded_)
        return;
    Options->SetValue(QStringLiteral("CloseToTray"), cbCloseToTray->isChecked());
    Options->SetValue(QStringLiteral("CheckForUpdates"), cbCheckForUpdates->isChecked());
    Options->SetValue(QStringLiteral("PlaySound"), cbPlaySound->isChecked());
    SaveSettings();
}

void TzentriloMF::SetEditForm(TEditForm* form) {
    editForm_ = form;
    if (form != nullptr)
        form->SetCatalogue(&sources_);
}

void TzentriloMF::closeEvent(QCloseEvent* event) {
    bool canClose = true;
    FormCloseQuery(canClose);
    if (canClose)
        event->accept();
    else
        event->ignore();
}

void TzentriloMF::FormCloseQuery(bool& canClose) {
    canClose = !cbCloseToTray->isChecked() || ExitRequested;
    if (canClose)
        return;
    HideToTray();
    ShowStillRunningBalloon();
}

void TzentriloMF::ShowStillRunningBalloon() {
    const QString stillRunning = QStringLiteral("StillRunning");
    if (Options != nullptr && Options->IndexOf(stillRunning) >= 0 &&
        !Options->GetValue(stillRunning).toBool())
        return;
    trayIcon_.BalloonFlags = bfInfo;
    trayIcon_.BalloonTimeout = 1000;
    trayIcon_.BalloonTitle = Lang("%1 is still running", "%1 încă rulează").arg(AppTitle());
    trayIcon_.BalloonHint =
        Lang("%1 is now minimized to Tray. You can press its icon any time to restore it.",
             "%1 e acum minimizat în Tray. Poţi oricând apăsa pe iconiţă pentru a afişa "
             "fereastra principală.")
            .arg(AppTitle());
    trayIcon_.OnBalloonClick = nullptr;
    trayIcon_.Backend().SetBalloonCategory(QString());
    trayIcon_.ShowBalloon();
}

void TzentriloMF::btnExitClick() {
    ExitRequested = true;
    close();
}

void TzentriloMF::Exit1Click() {
    btnExitClick();
}

void TzentriloMF::WMUserExit() {
    btnExitClick();
}

void TzentriloMF::WMQueryEndSession() {
    ExitRequested = true;
    SaveChanges();
}

void TzentriloMF::WMEndSession() {
    btnExitClick();
}

void TzentriloMF::cbStartWithWindowsClick() {
    SetStartWithWindows(cbStartWithWindows->isChecked());
}

void TzentriloMF::SetTrayAvailable(bool available) {
    trayAvailable_ = available;
}

void TzentriloMF::HideToTray() {
    if (trayAvailable_)
        hide();
    else
        showMinimized();
    HiddenInTray = true;
}

void TzentriloMF::ShowFromTray() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    HiddenInTray = false;
    raise();
    activateWindow();
}

void TzentriloMF::TrayIconClick() {
    if (HiddenInTray)
        ShowFromTray();
    else
        HideToTray();
}

void TzentriloMF::Show1Click() {
    ShowFromTray();
}

// Minimising always goes to the tray, whatever close-to-tray says.
void TzentriloMF::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && trayAvailable_ &&
        isVisible())
        HideToTray();
}

void TzentriloMF::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ArrangeControls();
}

bool TzentriloMF::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lista && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        listaKeyDown(key);
        return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Insert ||
               key == Qt::Key_Delete;
    }
    if (watched == lista->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        btnEditClick(); // anywhere in the list, empty space included
        return true;
    }
    if (watched == edBuddyID && event->type() == QEvent::KeyPress)
        edBuddyIDKeyDown(static_cast<QKeyEvent*>(event)->key());
    else if (watched == edBuddyID && event->type() == QEvent::KeyRelease)
        edBuddyIDKeyUp();
    for (QLabel* link : {lbVendorSite, lbHomepage, lbCheckForUpdates, btnDonate})
        if (watched == link)
            return LinkEvent(link, event);
    return QWidget::eventFilter(watched, event);
}

bool TzentriloMF::LinkEvent(QLabel* link, QEvent* event) {
    const bool picture = link == btnDonate; // no hover look
    if (event->type() == QEvent::Enter && !picture)
        lbVendorSiteMouseEnter(link);
    else if (event->type() == QEvent::Leave && !picture)
        lbVendorSiteMouseLeave(link);
    else if (event->type() == QEvent::MouseButtonRelease &&
             static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
             link->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        if (link == lbVendorSite)
            lbVendorSiteClick();
        else if (link == lbHomepage)
            lbHomepageClick();
        else if (link == lbCheckForUpdates)
            lbCheckForUpdatesClick();
        else
            btnDonateClick();
        return true;
    }
    return false;
}

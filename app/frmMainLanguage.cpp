// Captions in both languages, the language switch, and the web links of the main window.
#include "app/frmMain.h"

#include "app/frmEdit.h"
#include "app/frmHistory.h"
#include "app/frmSources.h"
#include "app/platform/QtTranslations.h"
#include "monitor/IdCaption.h"
#include "net/Hosts.h"
#include "remote/RemoteSettings.h"
#include "remote/UpdateCheck.h"
#include "shell/Language.h"
#include "shell/uDialogs.h"
#include "shell/uOptions.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

namespace {

QString SiteName(bool english) {
    return QString::fromStdString(english ? SiteHost() : SiteHostRo());
}

void SetLinkLook(QLabel* link, bool underline) {
    QPalette palette = link->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    link->setPalette(palette);
    QFont font = link->font();
    font.setUnderline(underline);
    link->setFont(font);
}

// In the platform's own words: a Linux desktop has a login, not Windows.
QString StartAtLoginCaption(bool english) {
#ifdef Q_OS_WIN
    return Lang("Start with Windows (minimized)", "Porneşte odată cu Windows (minimizat)", english);
#else
    return Lang("Start at login (minimized)", "Pornește la autentificare (minimizat)", english);
#endif
}

} // namespace

void TzentriloMF::ApplyLanguage(bool english) {
    lbUses->setText(Lang("Zentrilo uses", "Zentrilo foloseşte", english));
    lbVendorSite->setText(SiteName(english));
    lbDesc->setText(Lang(
        "Zentrilo is a small but useful utility that notifies you when a Yahoo! Messenger friend "
        "becomes online / offline. You don't need to have Yahoo! Messenger started or to be "
        "logged in.",
        "Zentrilo e un program utilitar care te anunţă când un utilizator Y! Messenger devine "
        "online / offline. Nu trebuie să ai Yahoo! Messenger-ul deschis sau să fii logat.",
        english));
    lbFree->setText(
        Lang("This program is FREE. However, our servers (which %1 relies on) require monthly "
             "maintenance costs. If you want to keep %1 alive, we would gladly accept a donation "
             "(any amount is welcome).",
             "Acest program este GRATUIT. Totuşi, serverele noastre (pe care %1 le foloseşte) "
             "necesită cheltuieli lunare de întreţinere. Dacă doreşti ca %1 să nu fie închis, am "
             "fi bucuroşi să primim o donaţie (orice sumă este binevenită).",
             english)
            .arg(AppTitle()));
    btnDonate->setToolTip(Lang("Click to Donate", "Apasă pentru a dona", english));
    gbCheckBuddy->setTitle(
        Lang(" Check the status of a buddy (can also detect INVISIBLE) - uses ",
             " Verifică status-ul unui utilizator (poate detecta şi INVIZIBIL) - foloseşte ",
             english) +
        SiteName(english));
    btnCheckBuddy->setText(Lang("Check status", "Verifică status", english));
    ShowListInfo(english);
    ShowIdCaptions(english);
    QTreeWidgetItem* header = lista->headerItem();
    header->setText(1, Lang("Interval (min.)", "Interval (min.)", english));
    header->setText(2, Lang("Last check", "Ultima verificare", english));
    header->setText(3, Lang("Last status", "Ultimul status", english));
    btnAdd->setText(Lang("Add", "Adaugă", english));
    btnEdit->setText(Lang("Edit", "Editează", english));
    btnDelete->setText(Lang("Delete", "Şterge", english));
    btnHistory->setText(Lang("History...", "Istoric...", english));
    btnSources->setText(Lang("Sources...", "Surse...", english));
    ShowCheckCaptions(english);
    btnExit->setText(Lang("Exit", "Ieşire", english));
    cbStartWithWindows->setText(StartAtLoginCaption(english));
    cbCloseToTray->setText(Lang("Close to Tray", "Închide în Tray", english));
    cbCheckForUpdates->setText(
        Lang("Check for updates on startup", "Verifică pentru update la pornire", english));
    rgLanguage->setTitle(Lang(" Language ", " Limbă ", english));
    lbHomepage->setText(Lang("Web page", "Pagină web", english));
    lbCheckForUpdates->setText(Lang("Check for update", "Verifică update", english));
    cbPlaySound->setText(Lang("Play a sound", "Redă un sunet", english));
    ShowTrayMenuTexts(english);
    UpdateTray();
    if (historyForm_)
        historyForm_->ApplyLanguage();
    if (editForm_ != nullptr) {
        editForm_->ShowIdCaption(english);
        editForm_->Label2->setText(header->text(1));
        editForm_->Label3->setText(Lang("Source", "Sursă", english));
        editForm_->ShowNotifyTexts(english);
        editForm_->Button1->setText(Lang("OK", "OK", english));
        editForm_->Button2->setText(Lang("Cancel", "Anulare", english));
    }
    if (sourcesForm_ != nullptr)
        sourcesForm_->ApplyLanguage();
    ArrangeControls(); // the site link's width follows its text
}

// The limit the remote settings set, as of now (a later change shows at the next call), or that
// they are still awaited.
void TzentriloMF::ShowListInfo(bool english) {
    infoLimit_ = BuddyLimit;
    WordListInfo(english);
}

// The words name Yahoo! IDs only while every row is on the program's own service.
void TzentriloMF::WordListInfo(bool english) {
    if (!settingsLoaded_) {
        lbInfo->setText(Lang("Loading...", "Se încarcă...", english));
        return;
    }
    lbInfo->setText(Lang("You can add up to %1 to be checked periodically (CANNOT detect "
                         "INVISIBLE)",
                         "Poţi adăuga până la %1 care vor fi verificate periodic (NU poate "
                         "detecta INVIZIBIL)",
                         english)
                        .arg(IdCount(infoLimit_, ListSources(), english)));
}

// The two check buttons say so while their check is under way.
void TzentriloMF::ShowCheckCaptions(bool english) {
    const TRecord* selected = EntryOf(SelectedRow());
    btnCheck->setText(selected != nullptr && selected->CheckUnderWay()
                          ? CheckingText(english)
                          : Lang("Check status", "Verifică status", english));
    btnCheckAll->setText(CheckAllUnderWay()
                             ? CheckingText(english)
                             : Lang("Check All Now", "Verifică toate acum", english));
}

QString TzentriloMF::CheckingText(bool english) {
    return Lang("Checking...", "Verific...", english);
}

int TzentriloMF::rgLanguageIndex() const {
    if (rgLanguageEnglish->isChecked())
        return 0;
    return rgLanguageRomanian->isChecked() ? 1 : -1;
}

void TzentriloMF::rgLanguageClick() {
    const int index = rgLanguageIndex();
    if (index == 0)
        UseEnglish = true;
    else if (index == 1)
        UseEnglish = false;
    WriteLanguage(UseEnglish);
    ApplyQtLanguage(UseEnglish);
    ApplyLanguage(UseEnglish);
}

void TzentriloMF::OpenSitePage(const char* pathAndQuery) {
    const std::string host = UseEnglish ? SiteHost() : SiteHostRo();
    ShellOpen(QString::fromStdString(HttpUrl(host, pathAndQuery)), QString());
}

void TzentriloMF::lbVendorSiteClick() {
    OpenSitePage("/");
}

void TzentriloMF::lbHomepageClick() {
    OpenSitePage("/zentrilo/");
}

void TzentriloMF::btnDonateClick() {
    OpenSitePage("/donate/?for=zentrilo");
}

void TzentriloMF::lbCheckForUpdatesClick() {
    if (updateCheck_ && updateCheck_->Pending()) // its answer is still to come
        return;
    updateCheck_ = LoadRemoteSettings(*worker_, CheckForNewVersionAfterFetch, TAskedBy::User);
}

void TzentriloMF::lbVendorSiteMouseEnter(QLabel* link) {
    SetLinkLook(link, false);
}

void TzentriloMF::lbVendorSiteMouseLeave(QLabel* link) {
    SetLinkLook(link, true);
}

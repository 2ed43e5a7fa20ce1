// Captions in both languages, the language switch, and the web links of the main window.
#include "app/frmMain.h"

#include "app/Language.h"
#include "app/uDialogs.h"
#include "app/uOptions.h"
#include "monitor/frmEdit.h"
#include "net/Hosts.h"
#include "remote/RemoteSettings.h"
#include "remote/UpdateCheck.h"

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

} // namespace

void TzentriloMF::ApplyLanguage(bool english) {
    const auto pick = [english](const char* en, const char* ro) {
        return QString::fromUtf8(english ? en : ro);
    };
    lbUses->setText(pick("Zentrilo uses", "Zentrilo foloseşte"));
    lbVendorSite->setText(SiteName(english));
    lbDesc->setText(pick(
        "Zentrilo is a small but useful utility that notifies you when a Yahoo! Messenger friend "
        "becomes online / offline. You don't need to have Yahoo! Messenger started or to be "
        "logged in.",
        "Zentrilo e un program utilitar care te anunţă când un utilizator Y! Messenger devine "
        "online / offline. Nu trebuie să ai Yahoo! Messenger-ul deschis sau să fii logat."));
    lbFree->setText(
        pick("This program is FREE. However, our servers (which %1 relies on) require monthly "
             "maintenance costs. If you want to keep %1 alive, we would gladly accept a donation "
             "(any amount is welcome).",
             "Acest program este GRATUIT. Totuşi, serverele noastre (pe care %1 le foloseşte) "
             "necesită cheltuieli lunare de întreţinere. Dacă doreşti ca %1 să nu fie închis, am "
             "fi bucuroşi să primim o donaţie (orice sumă este binevenită).")
            .arg(AppTitle()));
    btnDonate->setToolTip(pick("Click to Donate", "Apasă pentru a dona"));
    gbCheckBuddy->setTitle(
        pick(" Check the status of a buddy (can also detect INVISIBLE) - uses ",
             " Verifică status-ul unui utilizator (poate detecta şi INVIZIBIL) - foloseşte ") +
        SiteName(english));
    lbYahooID->setText(pick("Yahoo! ID", "ID Yahoo!"));
    btnCheckBuddy->setText(pick("Check status", "Verifică status"));
    lbInfo->setText(pick("You can add up to %1 Yahoo! IDs to be checked periodically (CANNOT "
                         "detect INVISIBLE)",
                         "Poţi adăuga până la %1 ID-uri Yahoo! care vor fi verificate periodic "
                         "(NU poate detecta INVIZIBIL)")
                        .arg(BuddyLimit));
    QTreeWidgetItem* header = lista->headerItem();
    header->setText(0, pick("Yahoo! ID", "ID Yahoo!"));
    header->setText(1, pick("Interval (min.)", "Interval (min.)"));
    header->setText(2, pick("Last check", "Ultima verificare"));
    header->setText(3, pick("Last status", "Ultimul status"));
    btnAdd->setText(pick("Add", "Adaugă"));
    btnEdit->setText(pick("Edit", "Editează"));
    btnDelete->setText(pick("Delete", "Şterge"));
    btnCheck->setText(pick("Check status", "Verifică status"));
    btnCheckAll->setText(pick("Check All Now", "Verifică toate acum"));
    btnExit->setText(pick("Exit", "Ieşire"));
    cbStartWithWindows->setText(
        pick("Start with Windows (minimized)", "Porneşte odată cu Windows (minimizat)"));
    cbCloseToTray->setText(pick("Close to Tray", "Închide în Tray"));
    cbCheckForUpdates->setText(
        pick("Check for updates on startup", "Verifică pentru update la pornire"));
    rgLanguage->setTitle(pick(" Language ", " Limbă "));
    lbHomepage->setText(pick("Web page", "Pagină web"));
    lbCheckForUpdates->setText(pick("Check for update", "Verifică update"));
    Show1->setText(pick("Show", "Arată"));
    Exit1->setText(btnExit->text());
    if (editForm_ != nullptr) {
        editForm_->Label1->setText(header->text(0));
        editForm_->Label2->setText(header->text(1));
        editForm_->Button1->setText(pick("OK", "OK"));
        editForm_->Button2->setText(pick("Cancel", "Anulare"));
    }
    ArrangeControls(); // the site link's width follows its text
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
    LoadRemoteSettings();
    CheckForNewVersion(true);
}

void TzentriloMF::lbVendorSiteMouseEnter(QLabel* link) {
    SetLinkLook(link, false);
}

void TzentriloMF::lbVendorSiteMouseLeave(QLabel* link) {
    SetLinkLook(link, true);
}

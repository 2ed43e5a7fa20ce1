#include "remote/UpdateCheck.h"

#include "net/Hosts.h"
#include "remote/RemoteSettings.h"
#include "shell/Language.h"
#include "shell/uDialogs.h"
#include "shell/uOptions.h"

#include <QLocale>

namespace {

const QString kUpdatesSection = QStringLiteral("Updates");

QString UpdateQuestion(bool english) {
    const QString date = QLocale().toString(LastReleaseDate, QLocale::ShortFormat);
    QString text = Lang("A new version of %1 is available!\r\n(v%2, released on %3)\r\n\r\n"
                        "Do you want to update?",
                        "O nouă versiune a %1 este disponibilă!\r\n(v%2, lansată pe %3)\r\n\r\n"
                        "Doreşti să faci update?",
                        english)
                       .arg(AppTitle(), LastVersion, date);
    if (!WhatsNew.isEmpty())
        text +=
            Lang("\r\n\r\nNew in version %1:\r\n-------------------------------------\r\n%2",
                 "\r\n\r\nNoutăţi în versiunea %1:\r\n-------------------------------------\r\n%2",
                 english)
                .arg(LastVersion, WhatsNew);
    return text;
}

void OfferNewVersion(TOptions& options, bool explicitCheck) {
    options.AddOption(kUpdatesSection, LastVersion, false, varBoolean);
    options.LoadFromRegistry(ProgramKey());
    const bool english = UseEnglish;
    if (explicitCheck || !options.GetValue(LastVersion).toBool()) {
        if (AskYesNo(UpdateQuestion(english), 1) == IDYES)
            ShellOpen(DownloadPageUrl(english), QString());
    }
    options.SetValue(LastVersion, true);
}

} // namespace

bool NewerVersionExists() {
    if (LastReleaseDate != OwnReleaseDate)
        return LastReleaseDate > OwnReleaseDate;
    // QString's ordering is ordinal over UTF-16 code units, a prefix ranking below the longer.
    return LastVersion > ProgramVersion();
}

void CheckForNewVersion(bool explicitCheck) {
    if (NewerVersionExists()) {
        // The main window creates the store before any check; keep a private one otherwise.
        static TOptions standIn;
        OfferNewVersion(Options != nullptr ? *Options : standIn, explicitCheck);
    } else if (explicitCheck) {
        ShowInfo(Lang("You have the latest version installed.", "Ai ultima versiune instalată."));
    }
}

void CheckForNewVersionAfterFetch(bool settingsRead) {
    if (settingsRead || NewerVersionExists())
        CheckForNewVersion(true);
    else
        ShowWarning(Lang("Could not reach the update server.",
                         "Serverul de actualizări nu a putut fi contactat."));
}

QString DownloadPageUrl() {
    return DownloadPageUrl(UseEnglish);
}

QString DownloadPageUrl(bool english) {
    const std::string host = english ? SiteHost() : SiteHostRo();
    return QString::fromStdString(HttpUrl(host, "/zentrilo/?ver=")) + ProgramVersion();
}

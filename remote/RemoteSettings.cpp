#include "remote/RemoteSettings.h"

#include "net/Hosts.h"
#include "net/uNetUtils.h"
#include "remote/ProfileReader.h"
#include "shell/Language.h"
#include "shell/uStrUtils.h"

#include <algorithm>
#include <cstdint>
#include <memory>

int BuddyLimit = 5;
bool SiteScan = true;
bool ProgramActive = true;
QString LastVersion;
QDate LastReleaseDate = ZeroDate();
QString WhatsNew;
QDate OwnReleaseDate = ZeroDate();

namespace {

const QString kSection = QStringLiteral("Settings");

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Each part counts by its low 16 bits, as an unsigned number.
QDate ReleaseDateOr(std::int32_t yearValue, std::int32_t monthValue, std::int32_t dayValue,
                    QDate fallback) {
    const int year = static_cast<std::uint16_t>(yearValue);
    const int month = static_cast<std::uint16_t>(monthValue);
    const int day = static_cast<std::uint16_t>(dayValue);
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        return fallback;
    return QDate(year, month, day);
}

QString ReleaseNotes(const QString& raw) {
    QString notes = raw;
    notes.replace(QStringLiteral("\\n"), QStringLiteral("\r\n"));
    return TrimControl(notes);
}

} // namespace

int BuddySlotCount() {
    return std::clamp(BuddyLimit, 0, kMaxBuddySlots);
}

TNetJobPtr LoadRemoteSettings(INetWorker& worker, std::function<void(bool read)> done,
                              TAskedBy askedBy) {
    const std::string host = SiteHost();
    const std::string url = host.empty() ? std::string() : HttpUrl(host, "/zentrilo.ini");
    return worker.Submit(
        [url, done = std::move(done)](const TIdDeadline& cancel) {
            auto stream = std::make_shared<TMemoryStream>();
            // A file whose body broke after its 200 is not the file: a cut value would apply.
            std::string failure;
            const bool read = !url.empty() && HttpGetStreamEx(url, *stream, {&cancel, &failure}) &&
                              failure.empty();
            return [read, stream, done] {
                if (read) {
                    const auto& bytes = stream->Bytes();
                    ApplyRemoteSettings(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                                   static_cast<qsizetype>(bytes.size())));
                }
                if (done)
                    done(read);
            };
        },
        askedBy);
}

void ApplyRemoteSettings(const QByteArray& fileBytes) {
    const TProfileReader file(fileBytes);
    BuddyLimit = file.ReadInteger(kSection, QStringLiteral("buddylimit"), 5);
    SiteScan = file.ReadInteger(kSection, QStringLiteral("sitescan"), 1) != 0;
    ProgramActive = file.ReadInteger(kSection, QStringLiteral("active"), 1) != 0;
    LastVersion = file.ReadString(kSection, QStringLiteral("lastversion"), ProgramVersion());
    const std::int32_t year =
        file.ReadInteger(kSection, QStringLiteral("releaseyear"), OwnReleaseDate.year());
    const std::int32_t month =
        file.ReadInteger(kSection, QStringLiteral("releasemonth"), OwnReleaseDate.month());
    const std::int32_t day =
        file.ReadInteger(kSection, QStringLiteral("releaseday"), OwnReleaseDate.day());
    LastReleaseDate = ReleaseDateOr(year, month, day, OwnReleaseDate);
    WhatsNew = ReleaseNotes(file.ReadString(kSection, QStringLiteral("whatsnew"), QString()));
}

QString DiscontinuedText() {
    return Lang("%1 has been discontinued.\r\n\r\nIf you want to continue to use a similar "
                "tool\r\n(Yahoo! status scanning), see %2.\r\n\r\n%1 will close itself now.",
                "%1 a fost discontinuat.\r\n\r\nDacă doreşti să foloseşti în continuare un tool "
                "similar\r\n(scanare status Yahoo!), accesează %2.\r\n\r\n%1 se va închide "
                "acum.")
        .arg(AppTitle(), QString::fromStdString(UseEnglish ? SiteHost() : SiteHostRo()));
}

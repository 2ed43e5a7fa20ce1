#pragma once
// Values the vendor's settings file sets, with their initial values until a fetch succeeds.

#include "net/NetWorker.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <functional>

extern int BuddyLimit;        // initially 5
extern bool SiteScan;         // initially true: periodic checks ask the detection service
extern bool ProgramActive;    // initially true; false retires the program at start-up
extern QString LastVersion;   // initially empty
extern QDate LastReleaseDate; // initially the zero date, 30 December 1899
extern QString WhatsNew;      // initially empty
extern QDate OwnReleaseDate;  // date of the program's own executable file

// The zero date of the day-count calendar.
inline QDate ZeroDate() {
    return QDate(1899, 12, 30);
}

// The most option slots start-up defines, whatever "buddylimit" the vendor's file sends.
constexpr int kMaxBuddySlots = 1000;
// BuddyLimit bounded to 0..kMaxBuddySlots: the number of option slots start-up defines, loads and
// saves. BuddyLimit itself keeps the number received, for the texts that show it.
int BuddySlotCount();

// Fetches the settings file from the vendor's international site on the worker, then, on the
// window's thread, applies it and calls `done` with whether it was read; a failed fetch changes
// nothing. Never raises, shows nothing. The update check the user asks for goes ahead of the
// program's own jobs.
TNetJobPtr LoadRemoteSettings(INetWorker& worker, std::function<void(bool read)> done,
                              TAskedBy askedBy = TAskedBy::Program);

// Applies the bytes of a settings file as a successful fetch would (split out for tests).
void ApplyRemoteSettings(const QByteArray& fileBytes);

// The discontinued notice of a retired program, in the current language.
QString DiscontinuedText();

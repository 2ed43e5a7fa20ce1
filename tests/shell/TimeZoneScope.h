#pragma once
// The local time zone set for one scope (a POSIX TZ value such as "UTC" or "UTC-10"), so that
// local times in a test do not depend on the machine's zone.

#include <QByteArray>
#include <QtGlobal>

#include <ctime>

class TTimeZoneScope {
public:
    explicit TTimeZoneScope(const char* zone)
        : saved_(qgetenv("TZ")), had_(qEnvironmentVariableIsSet("TZ")) {
        qputenv("TZ", zone);
        tzset();
    }
    ~TTimeZoneScope() {
        if (had_)
            qputenv("TZ", saved_);
        else
            qunsetenv("TZ");
        tzset();
    }
    TTimeZoneScope(const TTimeZoneScope&) = delete;
    TTimeZoneScope& operator=(const TTimeZoneScope&) = delete;

private:
    QByteArray saved_;
    bool had_;
};

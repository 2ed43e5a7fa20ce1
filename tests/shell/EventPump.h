#pragma once
// Runs the event loop of a test until a condition holds or time is up.

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <functional>

inline bool PumpUntil(const std::function<bool()>& done, int maxMs = 3000) {
    QDeadlineTimer deadline(maxMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

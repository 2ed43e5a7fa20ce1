#pragma once
// The running program's own file: where it is and when it was last changed.

#include <QDate>
#include <QString>

// The absolute path of the running executable.
QString ExecutablePath();
// The calendar date (local time) of the last modification of the file at `path`; the build's
// date when the file cannot be examined.
QDate ModificationDate(const QString& path);
// That date for the running executable.
QDate ExecutableDate();

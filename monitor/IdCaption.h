#pragma once
// How a label, a column or a warning names an ID: after the presence source it is on, so that
// only an ID on the program's own service reads as a Yahoo! ID.

#include "shell/Language.h"

#include <QString>
#include <QStringList>

// The caption of an ID on the source of that name as shown (empty: the program's own service):
// "Yahoo! ID" / "ID Yahoo!" there, "Lichess ID" / "ID Lichess" on Lichess.
QString IdCaption(const QString& sourceName, bool english = UseEnglish);

// The caption of a column of IDs on these sources (names as shown, empty for the program's own
// service): the own service's caption while every ID is on it, else the plain "ID".
QString IdColumnCaption(const QStringList& sourceNames, bool english = UseEnglish);

// A number of IDs on these sources, as a sentence about the list counts them: "5 Yahoo! IDs" /
// "5 ID-uri Yahoo!" while every ID is on the program's own service, else "5 IDs" / "5 ID-uri".
QString IdCount(int count, const QStringList& sourceNames, bool english = UseEnglish);

// The warning for an ID left blank while that source is chosen.
QString BlankIdWarning(const QString& sourceName);

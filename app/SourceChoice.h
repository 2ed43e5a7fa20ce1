#pragma once
// A list box of presence sources, as the add/edit dialog and the one-off check offer them.

#include "monitor/SourceCatalogue.h"

class QComboBox;

// Fills `box` with every source of `catalogue` and chooses the one named `chosen` (any letter
// case; empty: the program's own service). False when the catalogue has no such source; the
// choice is then the first one.
bool FillSourceChoice(QComboBox& box, const TSourceCatalogue& catalogue, const QString& chosen);

// The chosen source's name as an entry keeps it: empty for the program's own service.
QString ChosenSource(const QComboBox& box);

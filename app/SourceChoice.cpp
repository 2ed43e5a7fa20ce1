#include "app/SourceChoice.h"

#include <QComboBox>

bool FillSourceChoice(QComboBox& box, const TSourceCatalogue& catalogue, const QString& chosen) {
    const QSignalBlocker quiet(&box);
    box.clear();
    for (const TPresenceSource& source : catalogue.All())
        box.addItem(source.Name, source.IsOwnService() ? QString() : source.Name);
    const TPresenceSource* found = catalogue.Find(chosen);
    box.setCurrentIndex(found != nullptr ? box.findText(found->Name, Qt::MatchExactly) : 0);
    return found != nullptr;
}

QString ChosenSource(const QComboBox& box) {
    return box.currentData().toString();
}

#include "monitor/IdCaption.h"

#include <algorithm>

QString IdCaption(const QString& sourceName, bool english) {
    if (sourceName.isEmpty())
        return Lang("Yahoo! ID", "ID Yahoo!", english);
    return Lang("%1 ID", "ID %1", english).arg(sourceName);
}

QString IdColumnCaption(const QStringList& sourceNames, bool english) {
    const bool ownOnly = std::all_of(sourceNames.begin(), sourceNames.end(),
                                     [](const QString& name) { return name.isEmpty(); });
    return ownOnly ? IdCaption({}, english) : QStringLiteral("ID");
}

QString BlankIdWarning(const QString& sourceName) {
    if (sourceName.isEmpty())
        return Lang("Please enter a valid Yahoo! ID!", "Te rog introdu un ID Yahoo! valid!");
    return Lang("Please enter a valid %1 ID!", "Te rog introdu un ID %1 valid!").arg(sourceName);
}

#include "monitor/IdCaption.h"

#include <algorithm>

QString IdCaption(const QString& sourceName, bool english) {
    if (sourceName.isEmpty())
        return Lang("Yahoo! ID", "ID Yahoo!", english);
    return Lang("%1 ID", "ID %1", english).arg(sourceName);
}

namespace {

bool OwnServiceOnly(const QStringList& sourceNames) {
    return std::all_of(sourceNames.begin(), sourceNames.end(),
                       [](const QString& name) { return name.isEmpty(); });
}

} // namespace

QString IdColumnCaption(const QStringList& sourceNames, bool english) {
    return OwnServiceOnly(sourceNames) ? IdCaption({}, english) : QStringLiteral("ID");
}

QString IdCount(int count, const QStringList& sourceNames, bool english) {
    if (OwnServiceOnly(sourceNames))
        return Lang("%1 Yahoo! IDs", "%1 ID-uri Yahoo!", english).arg(count);
    return Lang("%1 IDs", "%1 ID-uri", english).arg(count);
}

QString BlankIdWarning(const QString& sourceName) {
    if (sourceName.isEmpty())
        return Lang("Please enter a valid Yahoo! ID!", "Te rog introdu un ID Yahoo! valid!");
    return Lang("Please enter a valid %1 ID!", "Te rog introdu un ID %1 valid!").arg(sourceName);
}

#include "app/ListRow.h"

#include "shell/uStrUtils.h"

TListRow::TListRow(QTreeWidget* list, std::function<QString()> statusTip)
    : QTreeWidgetItem(list), statusTip_(std::move(statusTip)) {}

QVariant TListRow::data(int column, int role) const {
    if (column == kStatusColumn && role == Qt::ToolTipRole && statusTip_)
        return PlainToolTip(statusTip_());
    return QTreeWidgetItem::data(column, role);
}

#pragma once
// A row of the watched list whose status tooltip is worded when it is shown: "for how long" is
// then as of the moment the pointer rests on it, in the language in force.

#include <QTreeWidgetItem>

#include <functional>

class TListRow : public QTreeWidgetItem {
public:
    static constexpr int kStatusColumn = 3;

    // `statusTip` gives the status column's tooltip as plain text; empty: none.
    TListRow(QTreeWidget* list, std::function<QString()> statusTip);

    QVariant data(int column, int role) const override;

private:
    std::function<QString()> statusTip_;
};

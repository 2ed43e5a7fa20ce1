#include "app/frmEdit.h"

#include "monitor/Record.h"
#include "shell/IntegerText.h"
#include "shell/Language.h"
#include "shell/uDialogs.h"
#include "shell/uStrUtils.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int kClientWidth = 270;
constexpr int kClientHeight = 148;
constexpr int kModalOk = 1;
constexpr int kModalCancel = 2;

QStringList IntervalItems() {
    QStringList items;
    for (int minutes = 1; minutes <= 10; ++minutes)
        items << QString::number(minutes);
    for (int minutes = 20; minutes <= 60; minutes += 10)
        items << QString::number(minutes);
    return items;
}

} // namespace

TEditForm::TEditForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      Label1(new QLabel(QStringLiteral("Yahoo! ID"), this)),
      Label2(new QLabel(QStringLiteral("Interval (min.)"), this)), edNume(new QLineEdit(this)),
      cbInterval(new QComboBox(this)), Button1(new QPushButton(QStringLiteral("OK"), this)),
      Button2(new QPushButton(QStringLiteral("Cancel"), this)),
      RunModal([](TEditForm& form) { return form.exec(); }) {
    setFixedSize(kClientWidth, kClientHeight);
    setModal(true);

    Label1->setGeometry(12, 10, 246, 16);
    edNume->setGeometry(12, 28, 246, 23);
    Label1->setBuddy(edNume);
    Label2->setGeometry(12, 58, 246, 16);
    cbInterval->setGeometry(12, 76, 246, 23);
    Label2->setBuddy(cbInterval);
    cbInterval->setEditable(true);
    cbInterval->setInsertPolicy(QComboBox::NoInsert); // typed values are read, never listed
    cbInterval->addItems(IntervalItems());
    Button1->setGeometry(102, 112, 75, 25);
    Button2->setGeometry(183, 112, 75, 25);
    Button1->setDefault(true);
    Button1->setAutoDefault(true);

    setTabOrder(edNume, cbInterval);
    setTabOrder(cbInterval, Button1);
    setTabOrder(Button1, Button2);

    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
}

int TEditForm::ShowEditDialog(TRecord* entry) {
    if (entry != nullptr) {
        setWindowTitle(Lang("Edit", "Editează"));
        edNume->setText(entry->ID);
        cbInterval->setEditText(QString::number(entry->Interval));
    } else {
        setWindowTitle(Lang("Add", "Adaugă"));
        edNume->clear();
        cbInterval->setEditText(QStringLiteral("1"));
    }
    setResult(0);
    if (QWidget* owner = parentWidget())
        move(owner->geometry().center() - rect().center());
    edNume->setFocus();
    return RunModal(*this);
}

void TEditForm::Button1Click() {
    if (TrimControl(edNume->text()).isEmpty()) {
        ShowWarning(Lang("Please enter a valid Yahoo! ID!", "Te rog introdu un ID Yahoo! valid!"));
        edNume->setFocus();
        return;
    }
    if (ParseInterval(cbInterval->currentText(), 0) > 0) {
        done(kModalOk);
        return;
    }
    ShowWarning(Lang("Please select a valid interval!", "Te rog selectează un interval valid!"));
    cbInterval->setFocus();
}

void TEditForm::Button2Click() {
    done(kModalCancel);
}

// Esc and any other close request end the dialog as Cancel does.
void TEditForm::reject() {
    Button2Click();
}

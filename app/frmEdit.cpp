#include "app/frmEdit.h"

#include "app/SourceChoice.h"
#include "monitor/FailureText.h"
#include "monitor/IdCaption.h"
#include "monitor/NotifyChoice.h"
#include "monitor/Record.h"
#include "monitor/SourceQuery.h"
#include "shell/IntegerText.h"
#include "shell/Language.h"
#include "shell/uDialogs.h"
#include "shell/uStrUtils.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kFieldWidth = 246;
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
      Label2(new QLabel(QStringLiteral("Interval (min.)"), this)),
      Label3(new QLabel(QStringLiteral("Source"), this)), edNume(new QLineEdit(this)),
      cbInterval(new QComboBox(this)), cbSource(new QComboBox(this)),
      lbSourceNote(new QLabel(this)), Label4(new QLabel(QStringLiteral("Notify me when"), this)),
      cbNotify(new QComboBox(this)), Button1(new QPushButton(QStringLiteral("OK"), this)),
      Button2(new QPushButton(QStringLiteral("Cancel"), this)),
      RunModal([](TEditForm& form) { return form.exec(); }), catalogue_(&BuiltInSources()) {
    setModal(true);
    Label1->setBuddy(edNume);
    Label2->setBuddy(cbInterval);
    Label3->setBuddy(cbSource);
    Label4->setBuddy(cbNotify);
    for (const TNotifyChoice choice :
         {TNotifyChoice::Both, TNotifyChoice::Online, TNotifyChoice::Offline, TNotifyChoice::None})
        cbNotify->addItem(QString(), NotifyChoiceWord(choice));
    ShowNotifyTexts(UseEnglish);
    cbInterval->setEditable(true);
    cbInterval->setInsertPolicy(QComboBox::NoInsert); // typed values are read, never listed
    cbInterval->addItems(IntervalItems());
    cbSource->setSizeAdjustPolicy(QComboBox::AdjustToContents); // long names widen the dialog
    // Source names come from the settings file: plain text, in a line that wraps.
    lbSourceNote->setTextFormat(Qt::PlainText);
    lbSourceNote->setWordWrap(true);
    lbSourceNote->hide();
    Button1->setDefault(true);
    Button1->setAutoDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize); // the dialog grows with what it shows
    layout->setContentsMargins(12, 10, 12, 11);
    layout->setSpacing(2);
    for (const auto& [label, field] :
         {std::pair<QLabel*, QWidget*>{Label1, edNume}, {Label2, cbInterval}, {Label3, cbSource}}) {
        field->setMinimumWidth(kFieldWidth);
        layout->addWidget(label);
        layout->addWidget(field);
        layout->addSpacing(7);
    }
    layout->addWidget(lbSourceNote);
    layout->addSpacing(7);
    cbNotify->setMinimumWidth(kFieldWidth);
    layout->addWidget(Label4);
    layout->addWidget(cbNotify);
    layout->addSpacing(6);
    layout->addLayout(buttons);

    setTabOrder(edNume, cbInterval);
    setTabOrder(cbInterval, cbSource);
    setTabOrder(cbSource, cbNotify);
    setTabOrder(cbNotify, Button1);
    setTabOrder(Button1, Button2);

    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(cbSource, &QComboBox::currentIndexChanged, this, [this] {
        ShowSourceNote();
        ShowIdCaption();
    });
    FillSources({});
}

void TEditForm::SetCatalogue(const TSourceCatalogue* catalogue) {
    catalogue_ = catalogue != nullptr ? catalogue : &BuiltInSources();
}

int TEditForm::ShowEditDialog(TRecord* entry, const QString& addSource) {
    if (entry != nullptr) {
        setWindowTitle(Lang("Edit", "Editează"));
        edNume->setText(entry->ID);
        cbInterval->setEditText(QString::number(entry->Interval));
        FillSources(entry->Source);
        cbNotify->setCurrentIndex(static_cast<int>(NotifyChoiceOf(entry->Notify)));
    } else {
        setWindowTitle(Lang("Add", "Adaugă"));
        edNume->clear();
        cbInterval->setEditText(QStringLiteral("1"));
        FillSources(addSource);
        cbNotify->setCurrentIndex(static_cast<int>(TNotifyChoice::Both));
    }
    setResult(0);
    layout()->activate(); // the size that the texts need, before it is centred
    if (QWidget* owner = parentWidget())
        move(owner->geometry().center() - rect().center());
    edNume->setFocus();
    return RunModal(*this);
}

// Every source of the catalogue, and a name no source has any more as it is stored, so that
// an edit of the interval keeps it.
void TEditForm::FillSources(const QString& chosen) {
    if (!FillSourceChoice(*cbSource, *catalogue_, chosen)) {
        const QSignalBlocker quiet(cbSource);
        cbSource->addItem(chosen, chosen);
        cbSource->setCurrentIndex(cbSource->count() - 1);
    }
    ShowSourceNote();
    ShowIdCaption();
}

QString TEditForm::SourceName() const {
    return ChosenSource(*cbSource);
}

QString TEditForm::NotifyValue(const QString& stored) const {
    const QString chosen = cbNotify->currentData().toString();
    return NotifyChoiceOf(chosen) == NotifyChoiceOf(stored) ? stored : chosen;
}

void TEditForm::ShowNotifyTexts(bool english) {
    Label4->setText(Lang("Notify me when", "Anunță-mă când", english));
    const char* const texts[][2] = {
        {"comes online or goes offline", "intră online sau iese offline"},
        {"comes online", "intră online"},
        {"goes offline", "iese offline"},
        {"never", "niciodată"},
    };
    for (int i = 0; i < cbNotify->count(); ++i)
        cbNotify->setItemText(i, Lang(texts[i][0], texts[i][1], english));
}

void TEditForm::ShowIdCaption(bool english) {
    Label1->setText(IdCaption(SourceName(), english));
}

void TEditForm::ShowSourceNote() {
    const TPresenceSource* source = catalogue_->Find(SourceName());
    QString note;
    if (source == nullptr)
        note = FailureText(TPresenceFailure::UnknownSource, SourceName());
    else if (source->IsOwnService() && !OwnServiceConfigured())
        note = FailureText(TPresenceFailure::NotConfigured, {});
    lbSourceNote->setText(note);
    lbSourceNote->setVisible(!note.isEmpty());
}

void TEditForm::Button1Click() {
    if (TrimControl(edNume->text()).isEmpty()) {
        ShowWarning(BlankIdWarning(SourceName()));
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

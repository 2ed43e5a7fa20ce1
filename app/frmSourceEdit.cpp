#include "app/frmSourceEdit.h"

#include "shell/Language.h"
#include "shell/uDialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kFieldWidth = 380;
constexpr int kModalOk = 1;
constexpr int kModalCancel = 2;

} // namespace

TSourceEditForm::TSourceEditForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      lbName(new QLabel(this)), edName(new QLineEdit(this)), lbUrl(new QLabel(this)),
      edUrl(new QLineEdit(this)), lbRule(new QLabel(this)), edRule(new QLineEdit(this)),
      lbOpen(new QLabel(this)), edOpen(new QLineEdit(this)), lbHelp(new QLabel(this)),
      Button1(new QPushButton(this)), Button2(new QPushButton(this)),
      RunModal([](TSourceEditForm& form) { return form.exec(); }) {
    setModal(true);
    auto* grid = new QGridLayout;
    int row = 0;
    for (const auto& [label, field] : {std::pair{lbName, edName}, std::pair{lbUrl, edUrl},
                                       std::pair{lbRule, edRule}, std::pair{lbOpen, edOpen}}) {
        label->setBuddy(field);
        field->setMinimumWidth(kFieldWidth);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row++, 1);
    }
    lbHelp->setTextFormat(Qt::PlainText);
    lbHelp->setWordWrap(true);
    grid->addWidget(lbHelp, row, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize); // the dialog follows its texts
    layout->addLayout(grid);
    layout->addLayout(buttons);
    Button1->setDefault(true);
    Button1->setAutoDefault(true);

    setTabOrder(edName, edUrl);
    setTabOrder(edUrl, edRule);
    setTabOrder(edRule, edOpen);
    setTabOrder(edOpen, Button1);
    setTabOrder(Button1, Button2);

    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    ApplyLanguage();
}

void TSourceEditForm::ApplyLanguage() {
    lbName->setText(Lang("&Name", "&Nume"));
    lbUrl->setText(Lang("&Query address", "Adresa de &interogare"));
    lbRule->setText(Lang("&Rule", "&Regulă"));
    lbOpen->setText(Lang("A click &opens", "Un clic &deschide"));
    lbHelp->setText(
        Lang("%s stands for the ID. Rules: json:/POINTER, xml:ELEMENT=VALUE|VALUE or text:NEEDLE. "
             "The address a click on an \"online\" notification opens may be left empty.",
             "%s ține locul ID-ului. Reguli: json:/POINTER, xml:ELEMENT=VALOARE|VALOARE sau "
             "text:TEXT. Adresa pe care o deschide un clic pe o notificare \"online\" poate "
             "rămâne goală."));
    Button1->setText(QStringLiteral("OK"));
    Button2->setText(Lang("Cancel", "Anulare"));
}

int TSourceEditForm::ShowEditDialog(const TSourceCatalogue& catalogue,
                                    const TPresenceSource* source) {
    catalogue_ = &catalogue;
    editing_ = source != nullptr ? *source : TPresenceSource();
    setWindowTitle(source != nullptr ? Lang("Edit source", "Editează sursa")
                                     : Lang("Add source", "Adaugă sursă"));
    edName->setText(editing_.Name);
    edUrl->setText(source != nullptr ? editing_.Url : QStringLiteral("https://"));
    edRule->setText(editing_.Rule.Text());
    edOpen->setText(editing_.Open);
    ApplyLanguage();
    setResult(0);
    layout()->activate(); // the size that the texts need, before it is centred
    if (QWidget* owner = parentWidget())
        move(owner->geometry().center() - rect().center());
    edName->setFocus();
    return RunModal(*this);
}

TPresenceSource TSourceEditForm::Definition() const {
    TPresenceSource source =
        UserSource(edName->text(), edUrl->text(), edRule->text(), edOpen->text());
    source.Extra = editing_.Extra;
    return source;
}

void TSourceEditForm::Button1Click() {
    TSourceField field = TSourceField::Name;
    const QString problem = catalogue_ != nullptr
                                ? catalogue_->DefinitionProblem(Definition(), editing_.Name, &field)
                                : QString();
    if (problem.isEmpty()) {
        done(kModalOk);
        return;
    }
    ShowWarning(problem);
    FieldOf(field)->setFocus();
}

void TSourceEditForm::Button2Click() {
    done(kModalCancel);
}

void TSourceEditForm::reject() {
    Button2Click();
}

QLineEdit* TSourceEditForm::FieldOf(TSourceField field) const {
    switch (field) {
    case TSourceField::Url:
        return edUrl;
    case TSourceField::Rule:
        return edRule;
    case TSourceField::Open:
        return edOpen;
    case TSourceField::Name:
        break;
    }
    return edName;
}

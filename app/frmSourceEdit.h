#pragma once
// The dialog that adds or edits one of the user's presence sources: its name, query address,
// rule and the address a click on an "online" balloon opens. A definition the catalogue refuses
// is refused here, with its reason, and the field it lies in gets the focus.

#include "monitor/SourceCatalogue.h"

#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

class TSourceEditForm : public QDialog {
    Q_OBJECT
public:
    explicit TSourceEditForm(QWidget* parent = nullptr);

    QLabel* lbName;
    QLineEdit* edName;
    QLabel* lbUrl;
    QLineEdit* edUrl;
    QLabel* lbRule;
    QLineEdit* edRule;
    QLabel* lbOpen;
    QLineEdit* edOpen;
    QLabel* lbHelp;
    QPushButton* Button1; // OK, default
    QPushButton* Button2; // Cancel

    // Fills the dialog for editing `source` (or adding, with none) and runs it; 1 OK, 2 Cancel.
    // OK is accepted only for a definition `catalogue` would store.
    int ShowEditDialog(const TSourceCatalogue& catalogue, const TPresenceSource* source);
    // The definition as typed, with the stored values of the edited source it does not show.
    TPresenceSource Definition() const;
    // Captions in the language in force.
    void ApplyLanguage();
    void Button1Click();
    void Button2Click();

    // Runs the filled dialog modally; tests replace it to type and press buttons.
    std::function<int(TSourceEditForm&)> RunModal;

    void reject() override;

private:
    QLineEdit* FieldOf(TSourceField field) const;

    const TSourceCatalogue* catalogue_ = nullptr;
    TPresenceSource editing_; // the source an edit replaces; no name when adding
};

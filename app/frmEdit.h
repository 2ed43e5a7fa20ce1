#pragma once
// The add/edit dialog: a watched ID, an interval in minutes and the presence source to ask.

#include "shell/Language.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TRecord;
class TSourceCatalogue;

class TEditForm : public QDialog {
    Q_OBJECT
public:
    explicit TEditForm(QWidget* parent = nullptr);

    QLabel* Label1; // the ID's caption on the chosen source: "Yahoo! ID" on the own service
    QLabel* Label2; // "Interval (min.)"
    QLabel* Label3; // "Source"
    QLineEdit* edNume;
    QComboBox* cbInterval;
    QComboBox* cbSource;
    QLabel* lbSourceNote; // why the chosen source cannot answer; hidden when it can
    QLabel* Label4;       // "Notify me when"
    QComboBox* cbNotify;  // which changes show a balloon
    QPushButton* Button1; // OK, default
    QPushButton* Button2; // Cancel

    // The sources to offer; none: the program's own service and the presets. Not owned.
    void SetCatalogue(const TSourceCatalogue* catalogue);
    // Fills the dialog for editing `entry` (or adding, with none, with `addSource` chosen) and
    // runs it; 1 OK, 2 Cancel.
    int ShowEditDialog(TRecord* entry, const QString& addSource = {});
    // The chosen source's name as an entry keeps it: empty for the program's own service.
    QString SourceName() const;
    // The choice to store for an entry that had `stored`: `stored` itself while the choice it
    // stands for is kept, so that a word this version does not know survives an edit.
    QString NotifyValue(const QString& stored) const;
    // The choice's texts in the language in force now.
    void ShowNotifyTexts(bool english);
    // Label1 names the chosen source's IDs, in that language.
    void ShowIdCaption(bool english = UseEnglish);
    void Button1Click();
    void Button2Click();

    // Runs the filled dialog modally; tests replace it to type and press buttons.
    std::function<int(TEditForm&)> RunModal;

    // Esc and any other close request end the dialog as Cancel does.
    void reject() override;

private:
    void FillSources(const QString& chosen);
    void ShowSourceNote();

    const TSourceCatalogue* catalogue_;
};

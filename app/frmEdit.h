#pragma once
// The add/edit dialog: a Yahoo! ID and an interval in minutes.

#include <QDialog>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TRecord;

class TEditForm : public QDialog {
    Q_OBJECT
public:
    explicit TEditForm(QWidget* parent = nullptr);

    QLabel* Label1; // "Yahoo! ID"
    QLabel* Label2; // "Interval (min.)"
    QLineEdit* edNume;
    QComboBox* cbInterval;
    QPushButton* Button1; // OK, default
    QPushButton* Button2; // Cancel

    // Fills the dialog for editing `entry` (or adding, with none) and runs it; 1 OK, 2 Cancel.
    int ShowEditDialog(TRecord* entry);
    void Button1Click();
    void Button2Click();

    // Runs the filled dialog modally; tests replace it to type and press buttons.
    std::function<int(TEditForm&)> RunModal;

    // Esc and any other close request end the dialog as Cancel does.
    void reject() override;
};

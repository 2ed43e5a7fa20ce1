#pragma once
// The Sources window: every presence source an entry can use, the user's own to add, edit and
// delete, and a test that asks one ID of the selected source through the network worker and
// shows the outcome and the start of the reply as plain text.

#include "monitor/SourceCatalogue.h"
#include "net/NetWorker.h"

#include <QWidget>

#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;
class QTreeWidget;
struct TSourceOutcome;
class TSourceEditForm;

class TSourcesForm : public QWidget {
    Q_OBJECT
public:
    // The window changes `catalogue` and runs its tests on `worker`; both outlive it.
    TSourcesForm(TSourceCatalogue& catalogue, INetWorker& worker, QWidget* parent = nullptr);
    ~TSourcesForm() override;

    // The list again from the catalogue, the selection kept where it can be.
    void Reload();
    // Captions in the language in force.
    void ApplyLanguage();

    QTreeWidget* lvSources;
    QPushButton* btnAdd;
    QPushButton* btnEdit;
    QPushButton* btnDelete;
    QLabel* lbTestID;
    QLineEdit* edTestID;
    QPushButton* btnTest;
    QLabel* lbOutcome;      // scrolls inside a box of fixed height
    QScrollArea* sbOutcome; // so that a long outcome moves nothing below it
    QPlainTextEdit* mmReply;
    QPushButton* btnClose;
    TSourceEditForm* EditForm;

    void btnAddClick();
    void btnEditClick();
    void btnDeleteClick();
    // Starts a test of the selected source, or stops the one under way.
    void btnTestClick();
    bool TestUnderWay() const { return test_ && test_->Pending(); }

    // After the user's sources changed in the catalogue: `from` is the name an edit replaced
    // (empty for an add or a delete) and `to` the name it has now (empty for a delete).
    std::function<void(const QString& from, const QString& to)> OnChanged;
    // How many watched entries name the source (asked before a delete).
    std::function<int(const QString& name)> UsersOf;

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void CreateControls();
    void ArrangeControls();
    void ConnectHandlers();
    void UpdateButtons();
    std::optional<TPresenceSource> Selected() const;
    int SelectedUserIndex() const;
    void SelectByName(const QString& name);
    void ChangeUserSource(int index, const std::optional<TPresenceSource>& with);
    void StopTest();
    void ShowTestOutcome(const QString& id, const TSourceOutcome& outcome);
    // Shows what `text` words in the language in force, now and after each switch; none: an
    // empty outcome.
    void ShowOutcome(std::function<QString()> text);
    void FitColumns();
    QString CellTip(const QString& value, int column, const QString& problem) const;

    TSourceCatalogue& catalogue_;
    INetWorker& worker_;
    TNetJobPtr test_;
    std::function<QString()> outcome_;
    std::function<QString()> replyNote_; // what the reply box says when the reply is empty
};

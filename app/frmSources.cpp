#include "app/frmSources.h"

#include "app/frmSourceEdit.h"
#include "monitor/FailureText.h"
#include "monitor/SourceQuery.h"
#include "shell/Language.h"
#include "shell/uDialogs.h"
#include "shell/uStrUtils.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace {

constexpr int kModalOk = 1;
constexpr int kColumns = 5;
constexpr int kMaxColumnWidths[kColumns] = {160, 200, 300, 220, 240};
// A cell's margins: a value this much narrower than its column fits.
constexpr int kCellPadding = 12;
constexpr int kOutcomeLines = 3;
constexpr int kReplyHeight = 120;

QString ReplyPlaceholder() {
    return Lang("The start of the reply shows here.", "Începutul răspunsului apare aici.");
}

QString KindText(const TPresenceSource& source, bool usable) {
    switch (source.Kind) {
    case TSourceKind::Own:
        return OwnServiceConfigured()
                   ? Lang("own service", "serviciu propriu")
                   : Lang("own service, not configured", "serviciu propriu, neconfigurat");
    case TSourceKind::Preset:
        return Lang("preset", "predefinită");
    case TSourceKind::User:
        break;
    }
    return usable ? Lang("yours", "a ta") : Lang("yours, cannot be used", "a ta, inutilizabilă");
}

} // namespace

TSourcesForm::TSourcesForm(TSourceCatalogue& catalogue, INetWorker& worker, QWidget* parent)
    : QWidget(parent, Qt::Window), catalogue_(catalogue), worker_(worker) {
    CreateControls();
    ArrangeControls();
    ConnectHandlers();
    ApplyLanguage();
    resize(760, 480);
}

// The catalogue may be gone already (the window is its owner's child): only the fetch ends.
TSourcesForm::~TSourcesForm() {
    if (test_)
        test_->Abandon();
}

void TSourcesForm::CreateControls() {
    lvSources = new QTreeWidget(this);
    lvSources->setColumnCount(kColumns);
    lvSources->setRootIsDecorated(false);
    lvSources->setSelectionMode(QAbstractItemView::SingleSelection);
    lvSources->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvSources->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvSources->setTextElideMode(Qt::ElideMiddle); // an address's host and its %s both show
    btnAdd = new QPushButton(this);
    btnEdit = new QPushButton(this);
    btnDelete = new QPushButton(this);
    lbTestID = new QLabel(this);
    edTestID = new QLineEdit(this);
    lbTestID->setBuddy(edTestID);
    btnTest = new QPushButton(this);
    // Replies and IDs are foreign text: never read as markup.
    lbOutcome = new QLabel(this);
    lbOutcome->setTextFormat(Qt::PlainText);
    lbOutcome->setWordWrap(true);
    lbOutcome->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lbOutcome->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    sbOutcome = new QScrollArea(this);
    sbOutcome->setWidget(lbOutcome);
    sbOutcome->setWidgetResizable(true);
    sbOutcome->setFrameShape(QFrame::NoFrame);
    sbOutcome->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lbOutcome->setText(QStringList(kOutcomeLines, QStringLiteral("x")).join(u'\n'));
    sbOutcome->setFixedHeight(lbOutcome->heightForWidth(lbOutcome->width()));
    lbOutcome->clear();
    mmReply = new QPlainTextEdit(this);
    mmReply->setReadOnly(true);
    mmReply->setFixedHeight(kReplyHeight);
    btnClose = new QPushButton(this);
    EditForm = new TSourceEditForm(this);
}

void TSourcesForm::ArrangeControls() {
    auto* edits = new QHBoxLayout;
    for (QPushButton* button : {btnAdd, btnEdit, btnDelete})
        edits->addWidget(button);
    edits->addStretch();
    auto* test = new QHBoxLayout;
    test->addWidget(lbTestID);
    test->addWidget(edTestID, 1);
    test->addWidget(btnTest);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lvSources, 1);
    layout->addLayout(edits);
    layout->addLayout(test);
    layout->addWidget(sbOutcome);
    layout->addWidget(mmReply);
    layout->addLayout(bottom);
}

void TSourcesForm::ConnectHandlers() {
    connect(lvSources, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
    connect(lvSources, &QTreeWidget::itemDoubleClicked, this, [this] { btnEditClick(); });
    connect(btnAdd, &QPushButton::clicked, this, [this] { btnAddClick(); });
    connect(btnEdit, &QPushButton::clicked, this, [this] { btnEditClick(); });
    connect(btnDelete, &QPushButton::clicked, this, [this] { btnDeleteClick(); });
    connect(btnTest, &QPushButton::clicked, this, [this] { btnTestClick(); });
    connect(edTestID, &QLineEdit::returnPressed, this, [this] {
        if (!TestUnderWay())
            btnTestClick();
    });
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
}

void TSourcesForm::ApplyLanguage() {
    setWindowTitle(Lang("Presence sources", "Surse de prezență"));
    lvSources->setHeaderLabels({Lang("Name", "Nume"), Lang("Kind", "Fel"),
                                Lang("Query address", "Adresa de interogare"),
                                Lang("Rule", "Regulă"), Lang("A click opens", "Un clic deschide")});
    btnAdd->setText(Lang("Add...", "Adaugă..."));
    btnEdit->setText(Lang("Edit...", "Editează..."));
    btnDelete->setText(Lang("Delete", "Şterge"));
    lbTestID->setText(Lang("Test with the ID", "Testează cu ID-ul"));
    btnClose->setText(Lang("Close", "Închide"));
    EditForm->ApplyLanguage();
    Reload();
    lbOutcome->setText(outcome_ ? outcome_() : QString());
    mmReply->setPlaceholderText(replyNote_ ? replyNote_() : ReplyPlaceholder());
    UpdateButtons();
}

void TSourcesForm::ShowOutcome(std::function<QString()> text) {
    outcome_ = std::move(text);
    lbOutcome->setText(outcome_ ? outcome_() : QString());
}

// Each column as wide as its widest value, up to a limit past which values are cut in the middle.
void TSourcesForm::FitColumns() {
    for (int column = 0; column < kColumns; ++column) {
        lvSources->resizeColumnToContents(column);
        lvSources->setColumnWidth(
            column, std::min(lvSources->columnWidth(column), kMaxColumnWidths[column]));
    }
}

// A cell's tooltip: its whole value where the column cuts it, then why the source cannot be used.
QString TSourcesForm::CellTip(const QString& value, int column, const QString& problem) const {
    QStringList lines;
    if (lvSources->fontMetrics().horizontalAdvance(value) + kCellPadding > kMaxColumnWidths[column])
        lines << value;
    if (!problem.isEmpty())
        lines << problem;
    return PlainToolTip(lines.join(QStringLiteral("\n\n")));
}

void TSourcesForm::Reload() {
    const std::optional<TPresenceSource> selected = Selected();
    lvSources->clear();
    for (const TPresenceSource& source : catalogue_.All()) {
        const QString problem = source.Kind == TSourceKind::User
                                    ? catalogue_.DefinitionProblem(source, source.Name)
                                    : QString();
        auto* row = new QTreeWidgetItem(lvSources);
        row->setText(0, source.Name);
        row->setText(1, KindText(source, problem.isEmpty()));
        row->setText(2, source.Url);
        row->setText(3, source.Rule.Text());
        row->setText(4, source.Open);
        for (int column = 0; column < kColumns; ++column)
            row->setToolTip(column, CellTip(row->text(column), column, problem));
    }
    FitColumns();
    SelectByName(selected ? selected->Name : QString());
    UpdateButtons();
}

// The row of that name, the first one when there is none.
void TSourcesForm::SelectByName(const QString& name) {
    QTreeWidgetItem* chosen = lvSources->topLevelItem(0);
    for (int i = 0; i < lvSources->topLevelItemCount(); ++i) {
        if (lvSources->topLevelItem(i)->text(0) == name)
            chosen = lvSources->topLevelItem(i);
    }
    lvSources->setCurrentItem(chosen);
}

std::optional<TPresenceSource> TSourcesForm::Selected() const {
    const int row = lvSources->indexOfTopLevelItem(lvSources->currentItem());
    const std::vector<TPresenceSource> all = catalogue_.All();
    if (row < 0 || row >= static_cast<int>(all.size()))
        return std::nullopt;
    return all[static_cast<std::size_t>(row)];
}

// The selected row's place among the user's sources; -1 for another row or none.
int TSourcesForm::SelectedUserIndex() const {
    const int row = lvSources->indexOfTopLevelItem(lvSources->currentItem());
    const int first = static_cast<int>(catalogue_.All().size() - catalogue_.UserSources().size());
    return row >= first ? row - first : -1;
}

void TSourcesForm::UpdateButtons() {
    const bool user = SelectedUserIndex() >= 0;
    btnEdit->setEnabled(user);
    btnDelete->setEnabled(user);
    btnTest->setText(TestUnderWay() ? Lang("Stop", "Oprește") : Lang("Test", "Testează"));
}

void TSourcesForm::btnAddClick() {
    if (EditForm->ShowEditDialog(catalogue_, nullptr) != kModalOk)
        return;
    ChangeUserSource(static_cast<int>(catalogue_.UserSources().size()), EditForm->Definition());
}

void TSourcesForm::btnEditClick() {
    const int index = SelectedUserIndex();
    if (index < 0)
        return;
    const TPresenceSource old = catalogue_.UserSources()[static_cast<std::size_t>(index)];
    if (EditForm->ShowEditDialog(catalogue_, &old) != kModalOk)
        return;
    ChangeUserSource(index, EditForm->Definition());
}

void TSourcesForm::btnDeleteClick() {
    const int index = SelectedUserIndex();
    if (index < 0)
        return;
    const QString name = catalogue_.UserSources()[static_cast<std::size_t>(index)].Name;
    QString question = Lang("Delete the source \"%1\"?", "Ştergi sursa \"%1\"?").arg(name);
    if (const int users = UsersOf ? UsersOf(name) : 0; users > 0)
        question += QStringLiteral("\r\n\r\n") +
                    Lang("The watched IDs that use it (%1) will show ERROR until you choose "
                         "another source for them.",
                         "ID-urile urmărite care o folosesc (%1) vor arăta EROARE până când le "
                         "alegi altă sursă.")
                        .arg(users);
    if (AskYesNoWarning(question, 1) != IDYES)
        return;
    ChangeUserSource(index, std::nullopt);
}

// Puts `with` at `index` of the user's sources (past the end: adds it; none: deletes the one
// there) and tells the owner.
void TSourcesForm::ChangeUserSource(int index, const std::optional<TPresenceSource>& with) {
    std::vector<TPresenceSource> sources = catalogue_.UserSources();
    const auto at = sources.begin() + index;
    const QString from = at != sources.end() ? at->Name : QString();
    if (!with)
        sources.erase(at);
    else if (at != sources.end())
        *at = *with;
    else
        sources.push_back(*with);
    catalogue_.SetUserSources(std::move(sources));
    Reload();
    if (with)
        SelectByName(with->Name);
    if (OnChanged)
        OnChanged(from, with ? with->Name : QString());
}

void TSourcesForm::btnTestClick() {
    if (TestUnderWay()) {
        StopTest();
        ShowOutcome([] { return Lang("The test was stopped.", "Testul a fost oprit."); });
        return;
    }
    const std::optional<TPresenceSource> source = Selected();
    const QString id = TrimControl(edTestID->text());
    if (!source || id.isEmpty()) {
        ShowWarning(Lang("Please choose a source and enter an ID to test!",
                         "Te rog alege o sursă și introdu un ID de testat!"));
        edTestID->setFocus();
        return;
    }
    ShowOutcome([name = source->Name, id] {
        return Lang("Asking %1 about %2...", "Întreb %1 despre %2...").arg(name, id);
    });
    mmReply->clear();
    replyNote_ = nullptr;
    mmReply->setPlaceholderText(ReplyPlaceholder());
    test_ = worker_.SubmitForUser([this, query = TSourceQuery::Of(*source, id),
                                   id](const TIdDeadline& cancel) -> INetWorker::TApply {
        return [this, id, outcome = query.Run(&cancel)] { ShowTestOutcome(id, outcome); };
    });
    UpdateButtons();
}

// The outcome and whatever reply came, whatever its status.
void TSourcesForm::ShowTestOutcome(const QString& id, const TSourceOutcome& outcome) {
    ShowOutcome([id, outcome] {
        QString word;
        StatusText(outcome.Status, word);
        QString text = Lang("%1 is %2", "%1 este %2").arg(id, word);
        if (const QString reason = FailureText(outcome); !reason.isEmpty())
            text += QLatin1Char('\n') + reason;
        return text;
    });
    mmReply->setPlainText(outcome.ReplyStart());
    replyNote_ = [answered = outcome.HttpStatus != 0] {
        return answered ? Lang("The reply had no body.", "Răspunsul nu a avut conținut.")
                        : Lang("No reply came.", "Nu a venit niciun răspuns.");
    };
    mmReply->setPlaceholderText(replyNote_());
    UpdateButtons();
}

// A test whose window is gone or that the user stopped shows nothing and ends its fetch.
void TSourcesForm::StopTest() {
    if (test_)
        test_->Abandon();
    UpdateButtons();
}

// Reopened, the window starts with no outcome.
void TSourcesForm::hideEvent(QHideEvent* event) {
    StopTest();
    ShowOutcome(nullptr);
    mmReply->clear();
    replyNote_ = nullptr;
    mmReply->setPlaceholderText(ReplyPlaceholder());
    QWidget::hideEvent(event);
}

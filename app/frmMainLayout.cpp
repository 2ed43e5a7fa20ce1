// The main window's controls, their looks and their places.
#include "app/frmMain.h"

#include "shell/Language.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <iterator>

namespace {

constexpr int kMargin = 8;
constexpr int kHeaderHeight = 61;
constexpr int kDonationHeight = 40;
constexpr int kDonateWidth = 92;
constexpr int kDonateHeight = 26;
constexpr int kBigButtonHeight = 44;
constexpr int kExitWidth = 100;
constexpr int kListTop = 190;
constexpr int kClearStatusMs = 15000;
constexpr int kColumnWidths[] = {130, 90, 130, 140};

void SetBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

void SetFont(QWidget* widget, bool bold, qreal pointSize = 0) {
    QFont font = widget->font();
    font.setBold(bold);
    if (pointSize > 0)
        font.setPointSizeF(pointSize);
    widget->setFont(font);
}

qreal SmallPointSize(const QWidget* widget) {
    return std::max<qreal>(6, widget->font().pointSizeF() - 1);
}

QLabel* Picture(const QString& resource, QSize size, QWidget* parent) {
    auto* label = new QLabel(parent);
    const QPixmap pixmap(resource);
    if (!pixmap.isNull()) // a missing picture leaves an empty place
        label->setPixmap(pixmap.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    label->setFixedSize(size);
    return label;
}

QLabel* Link(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

template <class Button> Button* HandButton(QWidget* parent) {
    auto* button = new Button(parent);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

} // namespace

void TzentriloMF::CreateControls() {
    // The layout is measured for a small 8-point face; the desktop's larger default would clip.
    QFont base = font();
    base.setPointSize(8);
    setFont(base);
    CreateHeader();
    CreateCheckBuddy();
    CreateList();
    CreateBottom();

    CreateTrayMenu();

    ClearStatusTimer = new QTimer(this);
    ClearStatusTimer->setInterval(kClearStatusMs);

    SetTabOrder();
}

void TzentriloMF::CreateHeader() {
    Panel1 = new QFrame(this);
    SetBackground(Panel1, Qt::white);
    Image1 = Picture(QStringLiteral(":/zentrilo/logo.png"), QSize(48, 48), Panel1);
    lbAppWithVersion = new QLabel(Panel1);
    SetFont(lbAppWithVersion, true, 12);
    lbDesc = new QLabel(Panel1);
    lbDesc->setWordWrap(true);
    SetFont(lbDesc, false, SmallPointSize(lbDesc)); // three lines fit the band
    lbDesc->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lbUses = new QLabel(Panel1);
    SetFont(lbUses, false, SmallPointSize(lbUses));
    lbUses->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lbVendorSite = Link(Panel1);

    Panel2 = new QFrame(this);
    SetBackground(Panel2, QColor(130, 130, 130));
    lbFree = new QLabel(Panel2);
    lbFree->setWordWrap(true);
    SetFont(lbFree, true, SmallPointSize(lbFree));
    SetTextColour(lbFree, Qt::white);
    btnDonate = Picture(QStringLiteral(":/zentrilo/donate.png"), QSize(kDonateWidth, kDonateHeight),
                        Panel2);
    btnDonate->setCursor(Qt::PointingHandCursor);
}

void TzentriloMF::CreateCheckBuddy() {
    gbCheckBuddy = new QGroupBox(this);
    lbYahooID = new QLabel(QStringLiteral("Yahoo! ID"), gbCheckBuddy);
    edBuddyID = new QLineEdit(gbCheckBuddy);
    cbCheckSource = new QComboBox(gbCheckBuddy);
    btnCheckBuddy = HandButton<QPushButton>(gbCheckBuddy);
    lbStatus = new QLabel(gbCheckBuddy);
    lbStatus->setWordWrap(true);
    lbStatus->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Plain text always: the line holds whatever ID was typed.
    lbStatus->setTextFormat(Qt::PlainText);
}

void TzentriloMF::CreateList() {
    lbInfo = new QLabel(this);
    lista = new QTreeWidget(this);
    lista->setColumnCount(4);
    lista->setRootIsDecorated(false);
    lista->setItemsExpandable(false);
    lista->setSortingEnabled(false);
    lista->setSelectionMode(QAbstractItemView::SingleSelection);
    lista->setSelectionBehavior(QAbstractItemView::SelectRows);
    lista->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lista->setUniformRowHeights(true);
    lista->header()->setStretchLastSection(false);
    lista->header()->setSectionsMovable(false);
    for (int column = 0; column < 4; ++column)
        lista->setColumnWidth(column, kColumnWidths[column]);
    QTreeWidgetItem* header = lista->headerItem();
    header->setTextAlignment(0, Qt::AlignLeft | Qt::AlignVCenter);
    for (int column = 1; column < 4; ++column)
        header->setTextAlignment(column, Qt::AlignCenter);
    // The selection stays visible when the list loses the focus.
    QPalette palette = lista->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    lista->setPalette(palette);

    btnAdd = HandButton<QPushButton>(this);
    btnEdit = HandButton<QPushButton>(this);
    btnDelete = HandButton<QPushButton>(this);
    btnHistory = HandButton<QPushButton>(this);
    btnSources = HandButton<QPushButton>(this);
    btnCheck = HandButton<QPushButton>(this);
    btnCheckAll = HandButton<QPushButton>(this);
    SetFont(btnCheckAll, true);
    btnExit = HandButton<QPushButton>(this);
}

void TzentriloMF::CreateBottom() {
    cbStartWithWindows = HandButton<QCheckBox>(this);
    cbCloseToTray = HandButton<QCheckBox>(this);
    cbCheckForUpdates = HandButton<QCheckBox>(this);
    cbPlaySound = HandButton<QCheckBox>(this);
    rgLanguage = new QGroupBox(this);
    rgLanguageEnglish = new QRadioButton(QStringLiteral("English"), rgLanguage);
    rgLanguageRomanian = new QRadioButton(QString::fromUtf8("Română"), rgLanguage);
    lbHomepage = Link(this);
    lbHomepage->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lbCheckForUpdates = Link(this);
    lbCheckForUpdates->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Bevel2 = new QFrame(this);
    Bevel2->setFrameShape(QFrame::HLine);
    Bevel2->setFrameShadow(QFrame::Sunken);
    // The same in both languages: names and the licence's name only.
    Label1 = new QLabel(QStringLiteral("%1 v%2 · MIT").arg(AppTitle(), ProgramVersion()), this);
    SetTextColour(Label1, QColor(128, 128, 128));
    SetFont(Label1, false, SmallPointSize(Label1));
}

void TzentriloMF::SetTabOrder() {
    QWidget* const order[] = {
        edBuddyID,   cbCheckSource,     btnCheckBuddy,      lista,         btnAdd,
        btnEdit,     btnDelete,         btnSources,         btnHistory,    btnCheck,
        btnCheckAll, btnExit,           cbStartWithWindows, cbCloseToTray, cbCheckForUpdates,
        cbPlaySound, rgLanguageEnglish, rgLanguageRomanian};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    for (QLabel* link : {lbVendorSite, lbHomepage, lbCheckForUpdates, btnDonate})
        link->setFocusPolicy(Qt::NoFocus);
}

// Fixed places from the top-left, anchored ones from the right and bottom edges.
void TzentriloMF::ArrangeControls() {
    const int w = width();
    const int h = height();
    const int inner = w - 2 * kMargin;

    Panel1->setGeometry(0, 0, w, kHeaderHeight);
    Image1->move(kMargin, 6);
    lbAppWithVersion->setGeometry(64, 6, 220, 20);
    lbVendorSite->adjustSize();
    lbVendorSite->move(w - kMargin - lbVendorSite->width(), 9);
    lbUses->setGeometry(lbVendorSite->x() - 4 - 130, 9, 130, lbVendorSite->height());
    lbDesc->setGeometry(64, 25, w - 64 - kMargin, 35);

    Panel2->setGeometry(0, kHeaderHeight, w, kDonationHeight);
    btnDonate->move(w - kMargin - kDonateWidth, (kDonationHeight - kDonateHeight) / 2);
    lbFree->setGeometry(kMargin, 2, btnDonate->x() - 2 * kMargin, kDonationHeight - 4);

    gbCheckBuddy->setGeometry(kMargin, 106, inner, 58);
    lbYahooID->setGeometry(10, 26, 60, 16);
    edBuddyID->setGeometry(72, 22, 130, 23);
    cbCheckSource->setGeometry(208, 22, 90, 23);
    btnCheckBuddy->setGeometry(304, 21, 90, 25);
    lbStatus->setGeometry(400, 20, gbCheckBuddy->width() - 406, 27);

    lbInfo->setGeometry(kMargin, 170, inner, 16);
    const int buttonsTop = h - 192;
    lista->setGeometry(kMargin, kListTop, inner, buttonsTop - 6 - kListTop);
    btnAdd->setGeometry(kMargin, buttonsTop, 75, 25);
    btnEdit->setGeometry(kMargin + 80, buttonsTop, 75, 25);
    btnDelete->setGeometry(kMargin + 160, buttonsTop, 75, 25);
    btnSources->setGeometry(kMargin + 240, buttonsTop, 75, 25);
    btnCheck->setGeometry(w - kMargin - kExitWidth, buttonsTop, kExitWidth, 25);
    btnHistory->setGeometry(btnCheck->x() - 80, buttonsTop, 75, 25);

    const int bigTop = h - 160;
    btnExit->setGeometry(w - kMargin - kExitWidth, bigTop, kExitWidth, kBigButtonHeight);
    btnCheckAll->setGeometry(kMargin, bigTop, btnExit->x() - 2 * kMargin, kBigButtonHeight);

    cbStartWithWindows->setGeometry(kMargin, h - 108, 250, 19);
    cbCloseToTray->setGeometry(kMargin, h - 88, 250, 19);
    cbCheckForUpdates->setGeometry(kMargin, h - 68, 250, 19);
    cbPlaySound->setGeometry(kMargin, h - 48, 250, 19);
    rgLanguage->setGeometry(266, h - 110, 160, 56);
    rgLanguageEnglish->setGeometry(8, 24, 70, 20);
    rgLanguageRomanian->setGeometry(80, 24, 74, 20);
    lbHomepage->setGeometry(w - kMargin - 110, h - 106, 110, 16);
    lbCheckForUpdates->setGeometry(w - kMargin - 110, h - 84, 110, 16);

    Bevel2->setGeometry(kMargin, h - 28, inner, 2);
    Label1->setGeometry(kMargin, h - 22, inner, 16);
}

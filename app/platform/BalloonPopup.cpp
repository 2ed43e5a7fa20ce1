#include "app/platform/BalloonPopup.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

#include <algorithm>

namespace {

constexpr int kGap = 4;          // between the balloon and the icon or the screen's edge
constexpr int kTextWidth = 300;  // wrapping width of the text
constexpr int kPictureSize = 32; // the kind's picture
constexpr int kHoverMoreMs = 500;
constexpr int kFollowMs = 200; // how often a shown balloon looks where the icon is

QRect ScreenOf(const QRect& iconArea) {
    const QScreen* screen =
        iconArea.isValid() ? QGuiApplication::screenAt(iconArea.center()) : nullptr;
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

} // namespace

TBalloonPopup::TBalloonPopup(QWidget* parent)
    : QFrame(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         Qt::WindowDoesNotAcceptFocus),
      picture_(new QLabel(this)), title_(new QLabel(this)), text_(new QLabel(this)) {
    setObjectName(QStringLiteral("balloon"));
    setFrameShape(QFrame::Box);
    setBackgroundRole(QPalette::ToolTipBase);
    setForegroundRole(QPalette::ToolTipText);
    setAutoFillBackground(true);
    // IDs and names from the network are shown as typed, never as markup.
    for (QLabel* label : {title_, text_}) {
        label->setTextFormat(Qt::PlainText);
        label->setForegroundRole(QPalette::ToolTipText);
    }
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    text_->setWordWrap(true);
    text_->setMaximumWidth(kTextWidth);
    auto* layout = new QGridLayout(this);
    layout->addWidget(picture_, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(title_, 0, 1);
    layout->addWidget(text_, 1, 1);
    timeout_.setSingleShot(true);
    connect(&timeout_, &QTimer::timeout, this, [this] { TimeUp(); });
    follow_.setInterval(kFollowMs);
    connect(&follow_, &QTimer::timeout, this, [this] { FollowIcon(); });
}

void TBalloonPopup::ShowBalloon(const QString& title, const QString& text, const QIcon& icon,
                                int timeoutMs, TIconArea iconArea) {
    hide();
    if (title.isEmpty() && text.isEmpty())
        return;
    picture_->setPixmap(icon.pixmap(kPictureSize, kPictureSize));
    picture_->setVisible(!icon.isNull());
    title_->setText(title);
    title_->setVisible(!title.isEmpty());
    text_->setText(text);
    adjustSize();
    iconArea_ = std::move(iconArea);
    FollowIcon();
    show();
    timeout_.start(std::max(timeoutMs, 0));
    follow_.start();
}

void TBalloonPopup::FollowIcon() {
    const QRect area = iconArea_ ? iconArea_() : QRect();
    const QPoint place = Place(area, size(), ScreenOf(area));
    move(place.x(), place.y() + (GrowsUpward(area) ? -stackOffset_ : stackOffset_));
}

void TBalloonPopup::SetStackOffset(int pixels) {
    stackOffset_ = pixels;
    if (isVisible())
        FollowIcon();
}

bool TBalloonPopup::GrowsUpward(const QRect& iconArea) {
    return !iconArea.isValid() || iconArea.center().y() >= ScreenOf(iconArea).center().y();
}

void TBalloonPopup::hideEvent(QHideEvent* event) {
    QFrame::hideEvent(event);
    follow_.stop();
    timeout_.stop();
    if (OnGone)
        OnGone();
}

QPoint TBalloonPopup::Place(const QRect& iconArea, const QSize& size, const QRect& screen) {
    const int farthestX = screen.right() + 1 - kGap - size.width();
    if (!iconArea.isValid())
        return {farthestX, screen.bottom() + 1 - kGap - size.height()};
    const int x =
        std::max(std::min(iconArea.right() + 1 - size.width(), farthestX), screen.left() + kGap);
    const bool upperHalf = iconArea.center().y() < screen.center().y();
    const int y = upperHalf ? iconArea.bottom() + 1 + kGap : iconArea.top() - kGap - size.height();
    return {x, y};
}

// Going may hand the balloon to its stack to be freed: the click's action is taken first.
void TBalloonPopup::mousePressEvent(QMouseEvent* event) {
    const std::function<void()> click = event->button() == Qt::LeftButton ? OnClick : nullptr;
    hide();
    if (click)
        click();
}

// The user may be reading it: it waits while the pointer rests on it or on another beside it.
void TBalloonPopup::TimeUp() {
    if (underMouse() || (RestingOnOthers && RestingOnOthers()))
        timeout_.start(kHoverMoreMs);
    else
        hide();
}

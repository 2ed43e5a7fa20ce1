#include "app/platform/BalloonStack.h"

#include "shell/Language.h"

#include <algorithm>
#include <vector>

namespace {

QString FoldedText(int count) {
    if (count == 1)
        return Lang("and 1 more change…", "și încă o schimbare…");
    return Lang("and %1 more changes…", "și încă %1 schimbări…").arg(count);
}

} // namespace

TBalloonStack::TBalloonStack(QObject* parent) : QObject(parent) {
    folded_.OnClick = [this] {
        if (OnMore)
            OnMore();
    };
    folded_.OnGone = [this] {
        foldedCount_ = 0;
        Arrange();
    };
    folded_.RestingOnOthers = [this] { return PointerResting(); };
}

TBalloonStack::~TBalloonStack() {
    for (TBalloonPopup* balloon : shown_) {
        balloon->OnGone = nullptr;
        delete balloon;
    }
    folded_.OnGone = nullptr;
}

void TBalloonStack::Show(const QString& title, const QString& text, const QIcon& icon,
                         int timeoutMs, TBalloonPopup::TIconArea iconArea,
                         std::function<void()> onClick) {
    if (title.isEmpty() && text.isEmpty())
        return;
    if (static_cast<int>(shown_.size()) >= kMaxShown)
        Fold();
    auto* balloon = new TBalloonPopup;
    balloon->OnClick = std::move(onClick);
    balloon->RestingOnOthers = [this] { return PointerResting(); };
    iconArea_ = iconArea;
    foldedTimeoutMs_ = timeoutMs;
    balloon->ShowBalloon(title, text, icon, timeoutMs, std::move(iconArea));
    balloon->OnGone = [this, balloon] { Gone(balloon); };
    shown_.push_back(balloon);
    Arrange();
}

// The oldest balloon gives its place to the line that counts it.
void TBalloonStack::Fold() {
    TBalloonPopup* oldest = shown_.front();
    shown_.pop_front();
    oldest->OnGone = nullptr;
    oldest->hide();
    oldest->deleteLater();
    const int count = foldedCount_ + 1;
    // Showing the line anew hides it first, which counts as its going: the count follows.
    folded_.ShowBalloon(QString(), FoldedText(count), QIcon(), foldedTimeoutMs_, iconArea_);
    foldedCount_ = count;
}

void TBalloonStack::Gone(TBalloonPopup* balloon) {
    const auto found = std::find(shown_.begin(), shown_.end(), balloon);
    if (found == shown_.end())
        return;
    shown_.erase(found);
    balloon->deleteLater(); // this runs inside its own hide
    Arrange();
}

// From the icon outwards: going up, the folded line and then the oldest first, so that newer
// ones stand above; going down, the newest first and the folded line last.
void TBalloonStack::Arrange() {
    std::vector<TBalloonPopup*> order(shown_.begin(), shown_.end());
    const bool upward = TBalloonPopup::GrowsUpward(iconArea_ ? iconArea_() : QRect());
    if (!upward)
        std::reverse(order.begin(), order.end());
    if (foldedCount_ > 0)
        order.insert(upward ? order.begin() : order.end(), &folded_);
    int offset = 0;
    for (TBalloonPopup* balloon : order) {
        balloon->SetStackOffset(offset);
        offset += balloon->height() + kGap;
    }
}

bool TBalloonStack::PointerResting() const {
    return folded_.underMouse() ||
           std::any_of(shown_.begin(), shown_.end(), [](const auto* b) { return b->underMouse(); });
}

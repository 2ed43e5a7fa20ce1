// The main window's part in the presence history: the store it records into, the history window
// it opens, and the entries that leave the list.
#include "app/frmMain.h"

#include "app/frmHistory.h"
#include "history/HistoryStore.h"
#include "shell/uDialogs.h"

#include <algorithm>

// Opened once the stored list is known: an exit before that writes nothing of the history either.
void TzentriloMF::StartHistory() {
    history_ = std::make_unique<THistoryStore>(
        DefaultHistoryPath(),
        [this](const THistoryWarning& warning) {
            // From the event loop: a box must hold up neither the start nor the check that failed.
            QMetaObject::invokeMethod(
                this, [warning] { ShowWarning(HistoryWarningText(warning)); },
                Qt::QueuedConnection);
        },
        [this] { return context_.now ? context_.now().toUTC() : QDateTime::currentDateTimeUtc(); });
    history_->BeginRun();
    context_.history = history_.get();
}

void TzentriloMF::ShowHistory() {
    if (!history_) // the stored list is still loading
        return;
    if (!historyForm_)
        historyForm_ = std::make_unique<THistoryForm>(*history_, this);
    historyForm_->setWindowState(historyForm_->windowState() & ~Qt::WindowMinimized);
    historyForm_->show();
    historyForm_->raise();
    historyForm_->activateWindow();
}

void TzentriloMF::btnHistoryClick() {
    ShowHistory();
}

void TzentriloMF::History1Click() {
    ShowHistory();
}

void TzentriloMF::RefreshHistoryWindow() {
    if (historyForm_ && historyForm_->isVisible())
        historyForm_->Refresh();
}

// The entry's time in the history ends, unless another row still watches the same key.
void TzentriloMF::LeaveHistory(const THistoryKey& key) {
    if (!history_ || std::any_of(objs_->List.begin(), objs_->List.end(),
                                 [&](const TRecord* entry) { return HistoryKeyOf(*entry) == key; }))
        return;
    history_->LeaveList(key);
}

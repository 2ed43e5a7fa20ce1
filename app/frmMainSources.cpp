// The presence sources in the main window: the Sources window, the one-off check's choice of
// source and the source the Add dialog offers first.
#include "app/frmMain.h"

#include "app/SourceChoice.h"
#include "app/frmSources.h"
#include "monitor/SourceSettings.h"
#include "shell/Language.h"
#include "shell/uOptions.h"

#include <QComboBox>
#include <QTreeWidget>

#include <algorithm>

void TzentriloMF::btnSourcesClick() {
    if (!settingsLoaded_) // the stored sources come with the stored list
        return;
    if (sourcesForm_ == nullptr) {
        sourcesForm_ = new TSourcesForm(sources_, *worker_, this);
        sourcesForm_->OnChanged = [this](const QString& from, const QString& to) {
            SourcesChanged(from, to);
        };
        sourcesForm_->UsersOf = [this](const QString& name) { return UsersOf(name); };
    }
    sourcesForm_->show();
    sourcesForm_->raise();
    sourcesForm_->activateWindow();
}

void TzentriloMF::Sources1Click() {
    btnSourcesClick();
}

// Whatever names a renamed source follows it: the entries (saved at once with the sources, and
// their time in the history under the old name ends), the source chosen last and the one-off
// check's choice. A deleted source's entries keep its name and show why they cannot be checked.
void TzentriloMF::SourcesChanged(const QString& from, const QString& to) {
    SaveSources(ProgramKey(), sources_.UserSources());
    const auto follow = [&](const QString& name) {
        return !from.isEmpty() && !to.isEmpty() && SameSourceName(name, from) ? to : name;
    };
    for (TRecord* entry : objs_->List) {
        const THistoryKey before = HistoryKeyOf(*entry);
        entry->SetSource(follow(entry->Source));
        if (HistoryKeyOf(*entry) != before) // as an edit of its source does
            LeaveHistory(before);
    }
    if (lastSourceUsed_)
        lastSourceUsed_ = follow(*lastSourceUsed_);
    FillSourceChoice(*cbCheckSource, sources_, follow(ChosenSource(*cbCheckSource)));
    for (TRecord* entry : objs_->List)
        RefreshRow(entry);
    ShowIdCaptions(UseEnglish);
    SaveChanges();
}

int TzentriloMF::UsersOf(const QString& sourceName) const {
    return static_cast<int>(
        std::count_if(objs_->List.begin(), objs_->List.end(), [&](const TRecord* entry) {
            return SameSourceName(entry->Source, sourceName);
        }));
}

// The one-off check offers at first what the Add dialog would.
void TzentriloMF::FillCheckSources() {
    FillSourceChoice(*cbCheckSource, sources_, AddSource());
    ShowIdCaptions(UseEnglish);
}

// The program's own service where it has a host; otherwise the source chosen last (of this run,
// else the list's last row's), and the first preset at first.
QString TzentriloMF::AddSource() const {
    if (OwnServiceConfigured())
        return {};
    const int rows = lista->topLevelItemCount();
    const QString last = lastSourceUsed_ ? *lastSourceUsed_
                         : rows > 0      ? EntryOf(lista->topLevelItem(rows - 1))->Source
                                         : QString();
    if ((lastSourceUsed_ || rows > 0) && sources_.Find(last) != nullptr)
        return last;
    return PresetSources().front().Name;
}

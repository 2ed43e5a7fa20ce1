// The presence sources in the main window: the Sources window, the one-off check's choice of
// source and the source the Add dialog offers first.
#include "app/frmMain.h"

#include "app/SourceChoice.h"
#include "app/frmSources.h"
#include "monitor/SourceSettings.h"
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

// The entries of a renamed source follow it, and are saved at once with the sources; a deleted
// source's entries keep its name and show why they cannot be checked.
void TzentriloMF::SourcesChanged(const QString& from, const QString& to) {
    SaveSources(ProgramKey(), sources_.UserSources());
    if (!from.isEmpty() && !to.isEmpty()) {
        for (TRecord* entry : objs_->List) {
            if (SameSourceName(entry->Source, from))
                entry->SetSource(to);
        }
    }
    FillCheckSources();
    for (TRecord* entry : objs_->List)
        RefreshRow(entry);
    SaveChanges();
}

int TzentriloMF::UsersOf(const QString& sourceName) const {
    return static_cast<int>(
        std::count_if(objs_->List.begin(), objs_->List.end(), [&](const TRecord* entry) {
            return SameSourceName(entry->Source, sourceName);
        }));
}

// The one-off check keeps its choice while that source exists.
void TzentriloMF::FillCheckSources() {
    const QString kept = cbCheckSource->count() > 0 ? ChosenSource(*cbCheckSource) : AddSource();
    FillSourceChoice(*cbCheckSource, sources_, kept);
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

#pragma once
// Which of an entry's changes show a balloon: stored per slot of "Items" as "Notify<n>" beside
// "Source<n>". The notification rule still decides what a change is; this only filters what
// is shown.

#include "monitor/BuddyStatus.h"

#include <QString>

class TOptions;

enum class TNotifyChoice { Both, Online, Offline, None };

// The stored words: "both", "online", "offline", "none".
QString NotifyChoiceWord(TNotifyChoice choice);
// Absent, empty or a word this version does not know: Both, as before the choice existed.
TNotifyChoice NotifyChoiceOf(const QString& stored);
// Whether a change to `code` shows a balloon under the stored choice.
bool NotifyAllows(const QString& stored, TBuddyStatus code);

// "Notify<slot>".
QString NotifyOptionName(int slot);
// Defines the slot's choice in `options` (section "Items", text, empty by default).
void DefineNotifyOption(TOptions& options, int slot);

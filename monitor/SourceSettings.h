#pragma once
// Where sources live in the settings file. The user's sources are the array group "Sources"
// ("size", "1\Name", "1\Url", "1\Rule", "1\Open", ...); each slot of "Items" names its entry's
// source in "Source<n>", absent or empty for the program's own service.

#include "monitor/PresenceSource.h"

#include <QString>

#include <vector>

class TOptions;

// The user's sources stored at `key`, in order; none when there are none or the file cannot be
// read. Definitions are taken as stored, even ones the Sources window would refuse.
std::vector<TPresenceSource> LoadSources(const QString& key);

// Replaces the stored user sources with `sources` (whole, through a new file renamed into
// place); every other value of the file stays. False when the file could not be written.
bool SaveSources(const QString& key, const std::vector<TPresenceSource>& sources);

// "Source<slot>".
QString SourceOptionName(int slot);
// Defines the slot's source option in `options` (section "Items", text, empty by default).
void DefineSourceOption(TOptions& options, int slot);
// The source a slot names: as stored, empty for the program's own service.
QString SlotSourceName(const TOptions& options, int slot);
// Stores the source of a slot; the program's own service is stored as empty text.
void SetSlotSourceName(TOptions& options, int slot, const QString& sourceName);

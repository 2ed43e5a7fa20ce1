#pragma once
// Presence queries: one Yahoo! ID to a status code. Every failure is bsError; nothing raises.

#include "monitor/BuddyStatus.h"

#include <functional>
#include <string>

// How every query fetches a URL; HttpGetText unless a test or a fuzz target installs another.
using TextFetcher = std::function<bool(const std::string& url, std::u16string& text)>;
void SetPresenceFetcher(TextFetcher fetcher); // an empty fetcher restores HttpGetText

// By SiteScan: the detection service with invisible detection off, or the indicator service.
TBuddyStatus QueryStatus(const QString& id);
TBuddyStatus QueryIndicator(const QString& id);
TBuddyStatus QueryStatusService(const QString& id, bool invisibleScan);

// The one-off check of any typed ID: QueryStatus, then, unless that found the ID online, the
// detection service with invisible detection on, whose answer (an error included) is final.
TBuddyStatus OneOffCheck(const QString& id);

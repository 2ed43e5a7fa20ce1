#pragma once
// Whether a newer release exists, and the offer to download it.

#include <QString>

// true when LastVersion / LastReleaseDate announce a release newer than this one.
bool NewerVersionExists();

// explicitCheck: the update link (always answers); false: the start-up check (once per version).
void CheckForNewVersion(bool explicitCheck);

// The download page on the site of the current language, or of the one given.
QString DownloadPageUrl();
QString DownloadPageUrl(bool english);

#pragma once
// Whether a newer release exists, and the offer to download it.

#include <QString>

// true when LastVersion / LastReleaseDate announce a release newer than this one.
bool NewerVersionExists();

// explicitCheck: the update link (always answers); false: the start-up check (once per version).
void CheckForNewVersion(bool explicitCheck);

// The update link's check once its fetch of the settings file is over: an unread file says so,
// unless the values already known announce a newer release, which is offered as usual.
void CheckForNewVersionAfterFetch(bool settingsRead);

// The download page on the site of the current language, or of the one given.
QString DownloadPageUrl();
QString DownloadPageUrl(bool english);

#include "remote/RemoteSettings.h"

int BuddyLimit = 5;
bool SiteScan = true;
bool ProgramActive = true;
QString LastVersion;
QDate LastReleaseDate = ZeroDate();
QString WhatsNew;
QDate OwnReleaseDate = ZeroDate();

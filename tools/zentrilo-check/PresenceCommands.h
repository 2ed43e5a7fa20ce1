#pragma once
// The presence commands of zentrilo-check: "--indicator ID...", "--service ID...",
// "--invisible ID..." and plain "ID..." (the one-off check of the main window).

#include "monitor/BuddyStatus.h"

// Prints "<ID> is <word>" with the ID trimmed and the English word ("code N" for a code without
// one).
void PrintPresenceLine(const QString& id, TBuddyStatus code);

// True when the arguments name one of these commands (a mode above, or a first argument that is
// not an option).
bool IsPresenceCommand(int argc, char** argv);

// Runs the command in argv[1..]: one line "<ID> is <word>" per ID on stdout, and before it one
// line on stderr for each request that failed, with its URL and why. Exit code 0 when no query
// ended in an error, 1 otherwise, 2 on bad usage.
int RunPresenceCommand(int argc, char** argv);

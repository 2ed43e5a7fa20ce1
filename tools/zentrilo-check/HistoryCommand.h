#pragma once
// "--history [--since YYYY-MM-DD] [ID...]": the recorded presence changes as CSV on stdout.

// True when argv[1] is "--history".
bool IsHistoryCommand(int argc, char** argv);

// Prints the changes since the UTC date (all without it), of the IDs given (all without any),
// oldest first. Exit code 0; 1 when the history cannot be read; 2 on bad arguments. A missing or
// empty history prints the header alone and is never created.
int RunHistoryCommand(int argc, char** argv);

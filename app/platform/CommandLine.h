#pragma once
// The program's only switch: "-minimized" as the first argument, in any letter case.

// True when argv[1], with only A-Z folded to lower case, is "-minimized".
bool StartsMinimized(int argc, const char* const* argv);

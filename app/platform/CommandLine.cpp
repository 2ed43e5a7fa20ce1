#include "app/platform/CommandLine.h"

#include <cstring>

namespace {

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool StartsMinimized(int argc, const char* const* argv) {
    if (argc < 2 || argv[1] == nullptr)
        return false;
    static constexpr char Switch[] = "-minimized";
    const char* given = argv[1];
    if (std::strlen(given) != sizeof(Switch) - 1)
        return false;
    for (size_t i = 0; i < sizeof(Switch) - 1; ++i) {
        if (FoldAscii(given[i]) != Switch[i])
            return false;
    }
    return true;
}

#include "net/uNetUtils.h"

// Placeholder until the HTTP client lands: every fetch fails.
bool HttpGetText(const std::string&, std::u16string& text) {
    text.clear();
    return false;
}

bool HttpGetStream(const std::string&, TMemoryStream& stream) {
    stream.Clear();
    return false;
}

#pragma once
// The program's only network entry points: every outcome becomes true (final status 200) or
// false. They never raise and never show anything.

#include "http/IdDeadline.h"
#include "http/IdStream.h"

#include <string>

// What a caller may add to one fetch.
struct TFetchControl {
    // Lets another thread abandon the fetch with Cancel(): every wait ends at once and the
    // helper returns false. The helper's own bound on the call still applies. Not owned.
    const TIdDeadline* cancel = nullptr;
    // Receives why the result is false, as one line of printable ASCII: the client's error
    // message, or the status line of a final reply other than 200. On true it receives why the
    // 200 reply's body did not come whole (cut short, reset, a TLS failure, shorter than its
    // Content-Length), and is emptied when it did: a caller that needs the whole body reads it.
    std::string* failure = nullptr;
    // Receives the final reply's status code (such as 429, which asks the caller to wait), or 0
    // when no status line came.
    int* status = nullptr;
    // Receives the body of a final reply other than 200, decoded as text, so that a caller can
    // show what the server said; emptied when there is none.
    std::u16string* errorBody = nullptr;
};

// On true `text` holds the decoded body; on false it is empty.
bool HttpGetText(const std::string& url, std::u16string& text);
bool HttpGetTextEx(const std::string& url, std::u16string& text, const TFetchControl& control);
// On true `stream` holds the body bytes; on false it is empty. Earlier content is discarded.
bool HttpGetStream(const std::string& url, TMemoryStream& stream);
bool HttpGetStreamEx(const std::string& url, TMemoryStream& stream, const TFetchControl& control);

// Frees what the helpers keep for the calling thread: a statically linked TLS library (as on
// Windows) does not free a thread's own state when the thread ends. A thread that fetched and
// is about to end calls it.
void ReleaseFetchThreadState();

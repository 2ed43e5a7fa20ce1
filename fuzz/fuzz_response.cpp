// The response reader on any bytes a server may send: status line, headers, chunked,
// Content-Length and until-close bodies. The reply comes from an in-memory handler, so each
// input costs no socket, no thread and no wait: every connection the client opens reads the
// input and then meets the peer's FIN, as a loopback peer that answers and closes would give it.
#include "http/IdExceptions.h"
#include "http/IdHTTP.h"
#include "tests/support/MemoryIOHandler.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace {

// One client for every input, as a program keeps one; what an input may leave in it is dropped
// before the next, so each input's outcome is its own.
TIdHTTP& Client() {
    static TIdHTTP http;
    http.ReadTimeout = 2000;
    http.MaxBodySize = 1 << 20;
    return http;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte picks the entry point; the rest is the reply.
    TIdHTTP& http = Client();
    // A new handler closes the last input's connection and drops what it left unread.
    http.SetIOHandler(std::make_unique<TMemoryIOHandler>(
        std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1)));
    http.ClearCookies();
    try {
        if (data[0] & 1) {
            (void)http.GetAsText("http://fuzz/x");
        } else {
            TMemoryStream stream;
            http.GetIntoStream("http://fuzz/x", &stream);
        }
    } catch (const EIdException&) {
    }
    return 0;
}

// URL splitting and rebuilding on arbitrary text: nothing may crash; BuildUrl's own errors are
// its contract.
#include "http/IdExceptions.h"
#include "http/IdURI.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string url(reinterpret_cast<const char*>(data), size);
    TIdURI uri;
    uri.ParseUrl(url);
    (void)uri.PathAndQuery();
    for (int flags = 0; flags < 4; ++flags) {
        try {
            (void)uri.BuildUrl(flags & 1, flags & 2);
        } catch (const EIdURIException&) {
        }
    }
    try {
        (void)uri.URI();
    } catch (const EIdURIException&) {
    }
    return 0;
}

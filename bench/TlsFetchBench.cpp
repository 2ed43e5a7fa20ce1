// Latency, throughput and peak memory of the client over TLS against libcurl: both make a
// fresh TLS connection per request to the same loopback TLS server, which offers one
// certificate (ECDSA P-256, from the test CA named by SSL_CERT_FILE) and one cipher suite.
#include "bench/CurlClient.h"
#include "http/IdHTTP.h"
#include "http/IdIOHandlerTLS.h"
#include "net/uNetUtils.h"
#include "tests/support/TlsServer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>

namespace {

constexpr std::size_t kBigBody = 64u << 20;
constexpr double kMiB = 1 << 20;

// The one server of the run; SSL_CERT_FILE names its CA before the client's first handshake.
TTlsServer& Server(const std::string& reply) {
    TrustedTestCAFile();
    TTlsServerOptions options;
    options.cipherSuites = "TLS_AES_128_GCM_SHA256";
    options.keepRequests = false;
    static TTlsServer server({}, options);
    server.SetScripts({{step::ReadRequest(), step::Send(reply), step::Close()}});
    return server;
}

const std::string& SmallReply() {
    static const std::string reply = HttpReply("200 OK", "pong", "Connection: close\r\n");
    return reply;
}

const std::string& BigReply() {
    static const std::string reply =
        HttpReply("200 OK", std::string(kBigBody, 'b'), "Connection: close\r\n");
    return reply;
}

// The process's resident memory now (VmRSS) or at its peak since the last reset (VmHWM), in KiB.
long MemoryKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(line.find(':') + 1));
    return -1;
}

// Peak resident memory of one call above what was resident before it, in MiB.
template <typename Call> double PeakGrowthMiB(benchmark::State& state, Call call) {
    state.PauseTiming();
    std::ofstream("/proc/self/clear_refs") << "5"; // resets VmHWM to VmRSS
    const long before = MemoryKiB("VmRSS:");
    state.ResumeTiming();
    call();
    state.PauseTiming();
    const double growth = static_cast<double>(MemoryKiB("VmHWM:") - before) / 1024;
    state.ResumeTiming();
    return growth;
}

void BM_FetchTlsZentrilo(benchmark::State& state) {
    const std::string url = Server(SmallReply()).Url("/ping");
    for (auto _ : state) {
        std::u16string text;
        if (!HttpGetText(url, text) || text != u"pong")
            state.SkipWithError("fetch failed");
    }
}

void BM_FetchTlsCurl(benchmark::State& state) {
    const std::string url = Server(SmallReply()).Url("/ping");
    for (auto _ : state) {
        std::string body;
        if (!CurlGet(url, body, TrustedTestCAFile()) || body != "pong")
            state.SkipWithError("fetch failed");
    }
}

bool StreamZentrilo(const std::string& url) {
    TMemoryStream stream;
    TIdHTTP http;
    http.SetIOHandler(std::make_unique<TIdIOHandlerTLS>());
    http.GetIntoStream(url, &stream);
    return stream.Size() == static_cast<std::int64_t>(kBigBody);
}

bool StreamCurl(const std::string& url) {
    std::string body;
    return CurlGet(url, body, TrustedTestCAFile()) && body.size() == kBigBody;
}

// The 64 MiB body per iteration, with the largest growth of resident memory during a fetch.
// One fetch first, untimed: the allocator keeps a freed step of the growing buffer for reuse,
// which would count once against the first fetch measured.
void StreamBody(benchmark::State& state, bool (*fetch)(const std::string&)) {
    const std::string url = Server(BigReply()).Url("/big");
    fetch(url);
    double peak = 0;
    for (auto _ : state)
        peak = std::max(peak, PeakGrowthMiB(state, [&] {
                            if (!fetch(url))
                                state.SkipWithError("fetch failed");
                        }));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBigBody));
    state.counters["peak_over_body_MiB"] = peak - kBigBody / kMiB;
}

void BM_StreamTlsZentrilo(benchmark::State& state) {
    StreamBody(state, StreamZentrilo);
}

void BM_StreamTlsCurl(benchmark::State& state) {
    StreamBody(state, StreamCurl);
}

} // namespace

// Repeated, so that one run gives medians to compare; timed by the clock on the wall, which the
// server's half of the work counts against as it does for a user.
BENCHMARK(BM_FetchTlsZentrilo)->Unit(benchmark::kMicrosecond)->Repetitions(5)->UseRealTime();
BENCHMARK(BM_FetchTlsCurl)->Unit(benchmark::kMicrosecond)->Repetitions(5)->UseRealTime();
BENCHMARK(BM_StreamTlsZentrilo)->Unit(benchmark::kMillisecond)->Repetitions(5)->UseRealTime();
BENCHMARK(BM_StreamTlsCurl)->Unit(benchmark::kMillisecond)->Repetitions(5)->UseRealTime();

// Latency and throughput of the client against libcurl, both over fresh loopback connections
// to the same scripted server.
#include "bench/CurlClient.h"
#include "http/IdHTTP.h"
#include "net/uNetUtils.h"
#include "tests/support/LoopbackServer.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <string>

namespace {

constexpr std::size_t kBigBody = 64u << 20;
constexpr std::size_t kChunk = 1u << 20;

TServerScript Answer(const std::string& reply) {
    return {step::ReadRequest(), step::Send(reply), step::Close()};
}

const std::string& SmallReply() {
    static const std::string reply = HttpReply("200 OK", "pong", "Connection: close\r\n");
    return reply;
}

// The 64 MiB body framed by Content-Length (0) or in 1 MiB chunks (1).
const std::string& BigReply(bool chunked) {
    static const std::string body(kBigBody, 'b');
    static const std::string sized = HttpReply("200 OK", body, "Connection: close\r\n");
    static const std::string inChunks = [] {
        char size[32];
        std::snprintf(size, sizeof size, "%zx\r\n", kChunk);
        std::string reply = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n"
                            "Connection: close\r\n\r\n";
        reply.reserve(kBigBody + 4096);
        for (std::size_t sent = 0; sent < kBigBody; sent += kChunk)
            reply += size + std::string(kChunk, 'b') + "\r\n";
        return reply + "0\r\n\r\n";
    }();
    return chunked ? inChunks : sized;
}

void BM_FetchZentrilo(benchmark::State& state) {
    TLoopbackServer server({Answer(SmallReply())});
    const std::string url = server.Url("/ping");
    for (auto _ : state) {
        std::u16string text;
        if (!HttpGetText(url, text) || text != u"pong")
            state.SkipWithError("fetch failed");
    }
}

void BM_FetchCurl(benchmark::State& state) {
    TLoopbackServer server({Answer(SmallReply())});
    const std::string url = server.Url("/ping");
    for (auto _ : state) {
        std::string body;
        if (!CurlGet(url, body) || body != "pong")
            state.SkipWithError("fetch failed");
    }
}

void BM_StreamZentrilo(benchmark::State& state) {
    TLoopbackServer server({Answer(BigReply(state.range(0) == 1))});
    const std::string url = server.Url("/big");
    std::size_t capacity = 0;
    for (auto _ : state) {
        TMemoryStream stream;
        TIdHTTP http;
        http.GetIntoStream(url, &stream);
        if (stream.Size() != static_cast<std::int64_t>(kBigBody))
            state.SkipWithError("short body");
        capacity = stream.Bytes().capacity();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBigBody));
    state.counters["capacity_MiB"] = static_cast<double>(capacity) / (1 << 20);
}

void BM_StreamCurl(benchmark::State& state) {
    TLoopbackServer server({Answer(BigReply(state.range(0) == 1))});
    const std::string url = server.Url("/big");
    std::size_t capacity = 0;
    for (auto _ : state) {
        std::string body;
        if (!CurlGet(url, body) || body.size() != kBigBody)
            state.SkipWithError("short body");
        capacity = body.capacity();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBigBody));
    state.counters["capacity_MiB"] = static_cast<double>(capacity) / (1 << 20);
}

} // namespace

BENCHMARK(BM_FetchZentrilo)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FetchCurl)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StreamZentrilo)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StreamCurl)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    curl_global_cleanup();
    return 0;
}

// Many fetches in one process against a peer that misbehaves at random: every fetch gives its
// fault's outcome, and descriptors, threads and resident memory stay flat.
#include "net/FetchLimits.h"
#include "net/uNetUtils.h"
#include "tests/support/FaultProbe.h"
#include "tests/support/FaultServer.h"
#include "tests/support/LoopbackServer.h"

#ifdef ZENTRILO_TLS
#include "tests/support/TlsServer.h"
#endif

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <random>
#include <thread>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ZENTRILO_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define ZENTRILO_SANITIZED 1
#endif
#endif

namespace {

constexpr std::size_t kCap = 4096;

enum class TTarget { Server, RefusedPort, UnknownHost };

struct TSoakCase {
    TFault fault; // what the server does (TTarget::Server only)
    TTarget target;
    double weight;
    std::optional<bool> result; // nullopt: either is right (a reset may beat the data)
    std::optional<std::u16string> text;
};

const std::vector<TSoakCase>& SoakCases() {
    static const std::vector<TSoakCase> cases = {
        {TFault::Ok, TTarget::Server, 30, true, u"fine"},
        {TFault::NotFound, TTarget::Server, 8, false, u""},
        {TFault::NoContent, TTarget::Server, 8, false, u""},
        {TFault::FinInHeaders, TTarget::Server, 8, true, std::nullopt},
        {TFault::ResetInHeaders, TTarget::Server, 8, std::nullopt, std::nullopt},
        {TFault::ShortBody, TTarget::Server, 8, true, u"short"},
        {TFault::BrokenChunked, TTarget::Server, 8, true, u""},
        {TFault::OverCap, TTarget::Server, 8, false, u""},
        // Past the header-line limit the rest is body, and larger than the cap.
        {TFault::ManyHeaderLines, TTarget::Server, 1, false, u""},
        {TFault::Silence, TTarget::Server, 0.1, false, u""},
        {TFault::Ok, TTarget::RefusedPort, 8, false, u""},
        {TFault::Ok, TTarget::UnknownHost, 1, false, u""},
    };
    return cases;
}

int Fetches(const char* variable, int fallback) {
    const char* count = std::getenv(variable);
    return count && *count ? std::atoi(count) : fallback;
}

// What the soak needs of a server: the fault of the connections to come, and a count of the
// connections it has finished with.
class TSoakServer {
public:
    virtual ~TSoakServer() = default;
    virtual void SetFault(TFault fault) = 0;
    virtual std::string Url() const = 0;
    virtual long Served() const = 0;
};

class TPlainSoakServer : public TSoakServer {
public:
    TPlainSoakServer() : server_(2 * kCap) {}
    void SetFault(TFault fault) override { server_.SetFault(fault); }
    std::string Url() const override { return server_.Url(); }
    long Served() const override { return server_.Served(); }

private:
    TFaultServer server_;
};

#ifdef ZENTRILO_TLS
// The same faults over TLS: the reply bytes of the plain server, then its way of ending.
class TTlsSoakServer : public TSoakServer {
public:
    TTlsSoakServer() : server_({}, Options()) {}
    void SetFault(TFault fault) override {
        TServerScript script = {step::ReadRequest()};
        if (fault == TFault::Silence) {
            script.push_back(step::HoldOpen());
        } else {
            script.push_back(step::Send(FaultReply(fault, 2 * kCap)));
            script.push_back(fault == TFault::ResetInHeaders ? step::Reset() : step::Close());
        }
        server_.SetScripts({script});
    }
    std::string Url() const override { return server_.Url("/soak"); }
    long Served() const override { return server_.Finished(); }

private:
    static TTlsServerOptions Options() {
        TTlsServerOptions options;
        options.keepRequests = false;
        return options;
    }

    TTlsServer server_;
};
#endif

class TSoak {
public:
    explicit TSoak(std::unique_ptr<TSoakServer> server)
        : server_(std::move(server)), random_(20240607) {
        const std::string url = server_->Url();
        scheme_ = url.substr(0, url.find(':'));
        refused_ = scheme_ + "://127.0.0.1:" + std::to_string(refusing_.Port()) + "/";
        std::vector<double> weights;
        for (const TSoakCase& c : SoakCases())
            weights.push_back(c.weight);
        pick_ = std::discrete_distribution<std::size_t>(weights.begin(), weights.end());
    }

    // Runs `count` fetches; false after the first wrong outcome (reported).
    bool Run(int count) {
        for (int i = 0; i < count; ++i) {
            const TSoakCase& c = SoakCases()[pick_(random_)];
            server_->SetFault(c.fault);
            std::u16string text = u"old";
            if (c.target == TTarget::Server)
                ++serverFetches_;
            const bool result = HttpGetText(Url(c.target), text);
            if ((c.result && result != *c.result) || (c.text && text != *c.text) ||
                (!result && !text.empty())) {
                ADD_FAILURE() << "fetch " << i << " with fault " << static_cast<int>(c.fault)
                              << " target " << static_cast<int>(c.target) << " gave " << result;
                return false;
            }
        }
        return true;
    }

    // The server closes its end of a connection a moment after the client has returned: waits
    // (bounded) until it has finished every one, so a descriptor count taken now is stable.
    bool Quiesce() const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (server_->Served() < serverFetches_ && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return server_->Served() == serverFetches_;
    }

private:
    std::string Url(TTarget target) const {
        switch (target) {
        case TTarget::Server:
            return server_->Url();
        case TTarget::RefusedPort:
            return refused_;
        case TTarget::UnknownHost:
            return scheme_ + "://soak.invalid/";
        }
        return {};
    }

    std::unique_ptr<TSoakServer> server_;
    TRefusingPort refusing_;
    std::string scheme_;
    std::string refused_;
    std::mt19937 random_;
    std::discrete_distribution<std::size_t> pick_;
    long serverFetches_ = 0;
};

// Runs `total` fetches against `server` and checks that descriptors, threads and resident memory
// stay where a warm-up left them.
void SoakFlat(std::unique_ptr<TSoakServer> server, int total) {
    const TFetchLimits saved = FetchLimits();
    // Long enough that a loaded machine still answers in time, short enough for the silences.
    FetchLimits().readTimeoutMs = 150;
    FetchLimits().maxBodySize = kCap;
    const int warmUp = std::min(1000, total / 10);
    TSoak soak(std::move(server));
    ASSERT_TRUE(soak.Run(warmUp));
    ASSERT_TRUE(soak.Quiesce());
    const TResourceCounts baseline = CountResources();
    const long rssBefore = ResidentKiB();
    ASSERT_TRUE(soak.Run(total - warmUp));
    ASSERT_TRUE(soak.Quiesce());
    const long rssGrowth = ResidentKiB() - rssBefore;
    EXPECT_EQ(SettledResources(baseline), baseline);
    testing::Test::RecordProperty("fetches", total);
    testing::Test::RecordProperty("rss_growth_kib", static_cast<int>(rssGrowth));
    std::printf("soak: %d fetches, %d fds, %d threads, RSS growth %ld KiB\n", total, baseline.fds,
                baseline.threads, rssGrowth);
#ifndef ZENTRILO_SANITIZED
    // A sanitizer's quarantine holds freed memory on purpose; the figure means nothing there.
    EXPECT_LT(rssGrowth, 1024);
#endif
    FetchLimits() = saved;
}

} // namespace

TEST(Soak, RandomFaultsLeaveResourcesFlat) {
    SoakFlat(std::make_unique<TPlainSoakServer>(), Fetches("ZENTRILO_SOAK_FETCHES", 20000));
}

#ifdef ZENTRILO_TLS
TEST(Soak, RandomFaultsOverTlsLeaveResourcesFlat) {
    SoakFlat(std::make_unique<TTlsSoakServer>(), Fetches("ZENTRILO_SOAK_TLS_FETCHES", 2000));
}
#endif

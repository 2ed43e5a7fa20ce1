// Many fetches in one process against a peer that misbehaves at random: every fetch gives its
// fault's outcome, and descriptors, threads and resident memory stay flat.
#include "net/FetchLimits.h"
#include "net/uNetUtils.h"
#include "tests/support/FaultProbe.h"
#include "tests/support/FaultServer.h"
#include "tests/support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
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

int Fetches() {
    const char* count = std::getenv("ZENTRILO_SOAK_FETCHES");
    return count && *count ? std::atoi(count) : 20000;
}

class TSoak {
public:
    TSoak() : server_(2 * kCap), random_(20240607) {
        refused_ = "http://127.0.0.1:" + std::to_string(refusing_.Port()) + "/";
        std::vector<double> weights;
        for (const TSoakCase& c : SoakCases())
            weights.push_back(c.weight);
        pick_ = std::discrete_distribution<std::size_t>(weights.begin(), weights.end());
    }

    // Runs `count` fetches; false after the first wrong outcome (reported).
    bool Run(int count) {
        for (int i = 0; i < count; ++i) {
            const TSoakCase& c = SoakCases()[pick_(random_)];
            server_.SetFault(c.fault);
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
        while (server_.Served() < serverFetches_ && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return server_.Served() == serverFetches_;
    }

private:
    std::string Url(TTarget target) const {
        switch (target) {
        case TTarget::Server:
            return server_.Url();
        case TTarget::RefusedPort:
            return refused_;
        case TTarget::UnknownHost:
            return "http://soak.invalid/";
        }
        return {};
    }

    TFaultServer server_;
    TRefusingPort refusing_;
    std::string refused_;
    std::mt19937 random_;
    std::discrete_distribution<std::size_t> pick_;
    long serverFetches_ = 0;
};

} // namespace

TEST(Soak, RandomFaultsLeaveResourcesFlat) {
    const TFetchLimits saved = FetchLimits();
    // Long enough that a loaded machine still answers in time, short enough for the silences.
    FetchLimits().readTimeoutMs = 150;
    FetchLimits().maxBodySize = kCap;
    const int total = Fetches();
    const int warmUp = std::min(1000, total / 10);
    TSoak soak;
    ASSERT_TRUE(soak.Run(warmUp));
    ASSERT_TRUE(soak.Quiesce());
    const TResourceCounts baseline = CountResources();
    const long rssBefore = ResidentKiB();
    ASSERT_TRUE(soak.Run(total - warmUp));
    const long rssGrowth = ResidentKiB() - rssBefore;
    EXPECT_EQ(SettledResources(baseline), baseline);
    RecordProperty("fetches", total);
    RecordProperty("rss_growth_kib", static_cast<int>(rssGrowth));
    std::printf("soak: %d fetches, %d fds, %d threads, RSS growth %ld KiB\n", total, baseline.fds,
                baseline.threads, rssGrowth);
#ifndef ZENTRILO_SANITIZED
    // A sanitizer's quarantine holds freed memory on purpose; the figure means nothing there.
    EXPECT_LT(rssGrowth, 1024);
#endif
    FetchLimits() = saved;
}

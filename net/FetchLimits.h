#pragma once
// The limits the fetch helpers put on every call: a silent server or an endless body must not
// hold the caller or exhaust its memory. Tests lower them.

#include <cstdint>

struct TFetchLimits {
    // Silence that ends an exchange: the server's first byte, or the next, is this late.
    int readTimeoutMs = 15000;
    // A peer that drips bytes never falls silent, so the whole call is bounded too: both
    // requests of a followed redirect with their name lookups and connects. The helpers promise
    // an answer within 20 s; the rest of that is left for tearing the exchange down.
    int callTimeoutMs = 19500;
    std::int64_t maxBodySize = 16 << 20;
};

TFetchLimits& FetchLimits();

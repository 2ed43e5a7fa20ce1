#pragma once
// The limits the fetch helpers put on every exchange: a silent server or an endless body must
// not hold the program's only thread or exhaust its memory. Tests lower them.

#include <cstdint>

struct TFetchLimits {
    int readTimeoutMs = 15000;
    // A peer that drips bytes never falls silent: the whole exchange is bounded too.
    int requestTimeoutMs = 60000;
    std::int64_t maxBodySize = 16 << 20;
};

TFetchLimits& FetchLimits();

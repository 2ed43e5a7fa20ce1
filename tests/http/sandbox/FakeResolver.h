#pragma once
// A DNS server on 127.0.0.1:53 (UDP) for name lookups inside a private network namespace. It
// answers by the first label of the name asked:
//   loopback.*  the address 127.0.0.1        nodata.*    no address (NOERROR, no answer)
//   nxdomain.*  no such name (NXDOMAIN)      servfail.*  server failure (SERVFAIL)
//   refused.*   refused (REFUSED)            silent.*    never answers
// and every other name as nxdomain.

#include <atomic>
#include <string>
#include <thread>

class TFakeResolver {
public:
    // Raises std::runtime_error when the port cannot be bound.
    TFakeResolver();
    ~TFakeResolver();
    TFakeResolver(const TFakeResolver&) = delete;
    TFakeResolver& operator=(const TFakeResolver&) = delete;

    int Queries() const { return queries_; }

private:
    void Run();
    // The reply to one query; empty for none.
    static std::string Answer(const std::string& query);

    int socket_ = -1;
    int wake_[2] = {-1, -1};
    std::atomic<int> queries_{0};
    std::thread thread_;
};

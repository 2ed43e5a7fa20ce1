#include "tests/support/Canceller.h"

TCanceller::TCanceller(TIdDeadline& token, int afterMs)
    : thread_([this, &token, afterMs] {
          std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
          cancelledAt_ = Clock::now().time_since_epoch().count();
          cancelled_ = true;
          token.Cancel();
      }) {}

TCanceller::~TCanceller() {
    thread_.join();
}

long long TCanceller::MsSinceCancel() const {
    if (!cancelled_)
        return -1;
    const Clock::time_point at{Clock::duration{cancelledAt_.load()}};
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - at).count();
}

#include "http/IdDeadline.h"

#include "http/IdExceptions.h"

#include <algorithm>

namespace {

using Clock = TIdDeadline::Clock;

// Rounded up, so that a wait never ends just short of its end and spins.
long long MsUntil(Clock::time_point end) {
    return std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count();
}

} // namespace

TIdDeadline::TIdDeadline(int boundMs, const TIdDeadline* parent) : parent_(parent) {
    if (boundMs > 0)
        end_ = Clock::now() + std::chrono::milliseconds(boundMs);
    if (parent)
        end_ = std::min(end_, parent->end_);
}

bool TIdDeadline::Cancelled() const {
    return cancelled_ || (parent_ && parent_->Cancelled());
}

void TIdDeadline::Check() const {
    if (Cancelled())
        throw EIdCancelled();
    if (Bounded() && Clock::now() >= end_)
        throw EIdDeadlineExceeded();
}

int TIdDeadline::SliceMs() const {
    if (!Bounded())
        return kSliceMs;
    return static_cast<int>(std::clamp<long long>(MsUntil(end_), 0, kSliceMs));
}

bool IdWait(const TIdDeadline* deadline, int timeoutMs, const std::function<bool(int ms)>& poll) {
    if (!deadline || timeoutMs == 0)
        return poll(timeoutMs);
    const bool limited = timeoutMs > 0;
    const auto end = Clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    for (;;) {
        deadline->Check();
        int slice = deadline->SliceMs();
        if (limited)
            slice = static_cast<int>(std::clamp<long long>(MsUntil(end), 0, slice));
        if (poll(slice))
            return true;
        if (limited && Clock::now() >= end)
            return false;
    }
}

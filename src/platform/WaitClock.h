#pragma once
// A deadline for poll()-style waits that may be interrupted and resumed:
// Remaining() is what is left of the original time-out, in milliseconds
// rounded up, or -1 for a wait without limit.
#include <chrono>

class TWaitClock {
public:
    explicit TWaitClock(int milliseconds)
        : infinite_(milliseconds < 0),
          deadline_(std::chrono::steady_clock::now() +
                    std::chrono::milliseconds(milliseconds < 0 ? 0 : milliseconds)) {}

    int Remaining() const {
        if (infinite_) return -1;
        auto left = deadline_ - std::chrono::steady_clock::now();
        if (left <= left.zero()) return 0;
        auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        return ms > 0x7fffffff ? 0x7fffffff : static_cast<int>(ms);
    }
    bool Expired() const { return !infinite_ && Remaining() == 0; }
    bool Infinite() const { return infinite_; }

private:
    bool infinite_;
    std::chrono::steady_clock::time_point deadline_;
};

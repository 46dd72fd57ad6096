// The millisecond tick count every animated part advances from.
#pragma once

#include <cstdint>
#include <functional>

// Milliseconds since an arbitrary start, wrapping at 2^32 like the original system's tick count.
uint32_t tickCount();

// Replaces the tick source, for the recorder and for tests; an empty function restores the
// monotonic clock.
void setTickSource(std::function<uint32_t()> source);

// A clock that only moves when told to: the recorder advances it by 1000/fps ms per frame.
class SimulatedClock {
public:
    explicit SimulatedClock(uint32_t startMs = 1) : now_(startMs) {}
    uint32_t now() const { return now_; }
    void advance(uint32_t ms) { now_ += ms; }  // wraps like the real tick count
    void install() { setTickSource([this] { return now_; }); }
private:
    uint32_t now_;
};

// Nanoseconds of the monotonic clock, for timing where no cycle counter exists.
uint64_t monotonicNanoseconds();

#include "platform/clock.h"

#include <time.h>

#include <utility>

namespace {
std::function<uint32_t()>& tickSource()
{
    static std::function<uint32_t()> source;
    return source;
}
}  // namespace

uint64_t monotonicNanoseconds()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec);
}

uint32_t tickCount()
{
    if (tickSource()) return tickSource()();
    return static_cast<uint32_t>(monotonicNanoseconds() / 1000000u);   // wraps every 49.7 days
}

void setTickSource(std::function<uint32_t()> source)
{
    tickSource() = std::move(source);
}

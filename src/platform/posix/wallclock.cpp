#include "platform/wallclock.h"

#include <ctime>

namespace {
std::function<uint32_t()>& source()
{
    static std::function<uint32_t()> s;
    return s;
}
}  // namespace

uint32_t wallClockSeconds()
{
    if (source()) return source()();
    return static_cast<uint32_t>(std::time(nullptr));
}

void setWallClockSource(std::function<uint32_t()> s)
{
    source() = std::move(s);
}

// The calendar time in whole seconds, which the intro seeds the C library's random generator
// with. Swappable like the tick source, so that the recorder's runs repeat byte for byte.
#pragma once

#include <cstdint>
#include <functional>

// Seconds since 1970, truncated to 32 bits.
uint32_t wallClockSeconds();

// Replaces the source; an empty function restores the system's clock.
void setWallClockSource(std::function<uint32_t()> source);

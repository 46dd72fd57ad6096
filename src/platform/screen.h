// The desktop picture as it is on the screen now.
#pragma once

#include <cstdint>
#include <vector>

// Reads the whole root window of the display: rows of blue-green-red bytes, top row first.
// Returns false, quickly, where there is no display or it cannot be read; it never waits.
bool captureDesktop(int& width, int& height, std::vector<uint8_t>& bgr);

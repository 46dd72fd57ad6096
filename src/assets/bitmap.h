// Bitmap: a decoded picture, rows of 24-bit blue-green-red pixels, top row first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class Bitmap {
public:
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;   // width * 3 bytes a row, rows top to bottom, no padding

    Bitmap() = default;
    Bitmap(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h * 3) {}

    uint8_t* row(int y) { return pixels.data() + static_cast<size_t>(y) * width * 3; }
    const uint8_t* row(int y) const { return pixels.data() + static_cast<size_t>(y) * width * 3; }
};

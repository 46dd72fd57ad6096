// Bitmap: a decoded picture, top row first, rows without padding. Three pixel formats:
//   24 bits: blue, green, red bytes (what the archive decodes colour images into, and what
//            the desktop picture is);
//   32 bits: blue, green, red and a fourth byte that nothing reads;
//    8 bits: one grey level a pixel (a greyscale JPEG); the palette is the grey ramp 0 … 255.
#pragma once

#include "platform/exception.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class Bitmap {
public:
    int width = 0;
    int height = 0;
    int bitsPerPixel = 24;         // 8, 24 or 32
    std::vector<uint8_t> pixels;   // stride() bytes a row, rows top to bottom

    struct Colour {
        uint8_t red, green, blue;
    };

    Bitmap() = default;
    Bitmap(int w, int h, int bits = 24) : width(w), height(h), bitsPerPixel(bits)
    {
        if (w < 0 || h < 0) throw Exception("Bitmap: negative size");
        if (bits != 8 && bits != 24 && bits != 32)
            throw Exception("Bitmap: " + std::to_string(bits) + " bits per pixel are not supported");
        pixels.resize(stride() * static_cast<size_t>(h));
    }

    int bytesPerPixel() const { return bitsPerPixel / 8; }
    size_t stride() const { return static_cast<size_t>(width) * bytesPerPixel(); }

    uint8_t* row(int y) { return pixels.data() + static_cast<size_t>(y) * stride(); }
    const uint8_t* row(int y) const { return pixels.data() + static_cast<size_t>(y) * stride(); }

    // The colour of one pixel in any of the three formats (grey gives red = green = blue).
    // No bounds check: x in 0 … width − 1, y in 0 … height − 1, counted from the top.
    Colour colourAt(int x, int y) const
    {
        const uint8_t* p = row(y) + static_cast<size_t>(x) * bytesPerPixel();
        if (bitsPerPixel == 8) return {p[0], p[0], p[0]};
        return {p[2], p[1], p[0]};
    }
};

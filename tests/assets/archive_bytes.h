// Archives laid out byte by byte in the tests, independently of the packer's writer, so that
// the reader is held to the file format itself, broken variants included.
#pragma once

#include "assets/bitmap.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class ArchiveBytes {
public:
    ArchiveBytes& int32(int32_t value)
    {
        const uint32_t v = static_cast<uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<uint8_t>(v >> shift));
        return *this;
    }
    // A 64-byte name field: the text, a NUL, then `fill` bytes to the end of the field.
    ArchiveBytes& name(const std::string& text, uint8_t fill = 0)
    {
        std::vector<uint8_t> field(64, fill);
        std::memcpy(field.data(), text.data(), text.size());
        if (text.size() < 64) field[text.size()] = 0;
        return raw(field);
    }
    ArchiveBytes& raw(const std::vector<uint8_t>& data)
    {
        bytes.insert(bytes.end(), data.begin(), data.end());
        return *this;
    }
    ArchiveBytes& image(const std::vector<uint8_t>& jpeg) { return int32(static_cast<int32_t>(jpeg.size())).raw(jpeg); }
    ArchiveBytes& floats(std::initializer_list<float> values)
    {
        for (float f : values) {
            uint32_t v;
            std::memcpy(&v, &f, 4);
            int32(static_cast<int32_t>(v));
        }
        return *this;
    }

    std::vector<uint8_t> bytes;
};

// A picture of one colour, blue-green-red bytes as the bitmap keeps them.
inline Bitmap solidPicture(int width, int height, uint8_t red, uint8_t green, uint8_t blue)
{
    Bitmap picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = picture.row(y) + x * 3;
            p[0] = blue;
            p[1] = green;
            p[2] = red;
        }
    return picture;
}

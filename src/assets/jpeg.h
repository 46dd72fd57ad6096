// JPEG decoding for the archive's image entries. Every decoder failure becomes the program's
// Exception with the decoder's message number, "JPEG error #%d"; the decoder never ends the
// process.
#pragma once

#include "assets/bitmap.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// Decodes a whole JPEG stream at full size: colour pictures become 24-bit blue-green-red
// bitmaps, greyscale pictures 8-bit ones. A stream that ends before its picture does is an
// error too (the decoder's "premature end" warning number), not a picture with a grey tail.
std::unique_ptr<Bitmap> decodeJpeg(const uint8_t* data, size_t size);

// What a JPEG stream's header says, without decoding the picture.
struct JpegInfo {
    int width;
    int height;
    int components;   // 1 for greyscale, 3 for colour
};
JpegInfo readJpegInfo(const uint8_t* data, size_t size);

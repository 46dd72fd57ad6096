// JPEG encoding for the packer (and the test and benchmark fixtures): a bitmap in, a JFIF
// stream out, through the same JPEG library the reader decodes with.
#pragma once

#include "assets/bitmap.h"

#include <cstdint>
#include <vector>

// 24- and 32-bit bitmaps become colour JPEGs, 8-bit ones greyscale JPEGs. quality: 1 … 100.
// Raises "JPEG error #%d" with the library's message number should the library fail.
std::vector<uint8_t> encodeJpeg(const Bitmap& picture, int quality);

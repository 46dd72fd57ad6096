// PNG writing for the recorder: 8-bit RGB, one IDAT, rows unfiltered, fixed zlib level, so the
// same pixels always give the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// rgb: width × height × 3 bytes, top row first. False when the file cannot be written.
bool writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

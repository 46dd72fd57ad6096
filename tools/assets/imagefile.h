// The picture files the packer accepts for image entries.
#pragma once

#include "assets/bitmap.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The whole contents of a file; raises "Cannot open file %s" or "Stream read error".
std::vector<uint8_t> readWholeFile(const std::string& fileName);

// A binary PPM (P6, colour) or PGM (P5, grey) picture with at most 255 levels, as a 24-bit or
// 8-bit bitmap (levels rescaled to 0 … 255). Raises naming the file when it is not one.
std::unique_ptr<Bitmap> readPnm(const std::vector<uint8_t>& bytes, const std::string& fileName);

// The JPEG stream for an image entry made from a file: a JPEG file as it is (after checking that
// it decodes), a PPM or PGM encoded at `quality` (1 … 100). The format is told by the contents.
std::vector<uint8_t> imageEntryPayload(const std::string& fileName, int quality);

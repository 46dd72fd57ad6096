// The desktop picture handed to a module that asks for it.
#pragma once

#include <cstdint>
#include <vector>

class Bitmap;

// A 1024 × 1024 picture with the desktop stretched into its top 1024 × 768; the rows below stay
// black. Null when the desktop has no pixels.
Bitmap* makeDesktopPicture(int width, int height, const std::vector<uint8_t>& bgr);

// Captures the screen as it is now into such a picture, or null where it cannot be read.
Bitmap* captureDesktopPicture();

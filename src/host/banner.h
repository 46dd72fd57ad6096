// The preview's banner picture.
#pragma once

#include <cstdint>

constexpr int kBannerWidth = 140;    // pixels
constexpr int kBannerHeight = 70;

// kBannerWidth x kBannerHeight pixels of red-green-blue bytes, rows top first; lives for the run.
const uint8_t* previewBannerPixels();

// The preview's banner. The build's forge writes the real picture as a table (preview_banner.h);
// until a build has it, a small picture is drawn here: an orange streak falling across a dark
// blue sky, the show in one glance.
#include "host/banner.h"

#if __has_include("preview_banner.h")
#include "preview_banner.h"

static_assert(kPreviewBannerWidth == kBannerWidth && kPreviewBannerHeight == kBannerHeight,
              "the forged banner has the size of the preview's picture");

const uint8_t* previewBannerPixels()
{
    return kPreviewBanner;
}

#else

#include <cmath>

namespace {

struct DrawnBanner {
    uint8_t pixels[kBannerWidth * kBannerHeight * 3];
    DrawnBanner()
    {
        for (int y = 0; y < kBannerHeight; ++y) {
            for (int x = 0; x < kBannerWidth; ++x) {
                // Sky: near black at the top, deep blue towards the horizon.
                const float t = static_cast<float>(y) / (kBannerHeight - 1);
                float r = 4 + 10 * t, g = 8 + 28 * t, b = 30 + 80 * t;
                // The streak: a line from the upper left to the lower right, brightest at its head,
                // fading along its tail and across its width (in pixels).
                const float fx = static_cast<float>(x), fy = static_cast<float>(y);
                const float ax = 20, ay = 12, bx = 112, by = 50;
                const float dx = bx - ax, dy = by - ay;
                const float along = ((fx - ax) * dx + (fy - ay) * dy) / (dx * dx + dy * dy);
                if (along > -0.05f && along < 1.05f) {
                    const float px = ax + along * dx, py = ay + along * dy;
                    const float across = std::sqrt((fx - px) * (fx - px) + (fy - py) * (fy - py));
                    const float head = along < 0 ? 0 : (along > 1 ? 1 : along);
                    const float width = 1.0f + 3.0f * head;
                    const float glow = std::exp(-(across * across) / (width * width)) * (0.15f + 0.85f * head);
                    r += glow * 255;
                    g += glow * 140;
                    b += glow * 30;
                }
                uint8_t* p = pixels + (y * kBannerWidth + x) * 3;
                p[0] = static_cast<uint8_t>(r > 255 ? 255 : r);
                p[1] = static_cast<uint8_t>(g > 255 ? 255 : g);
                p[2] = static_cast<uint8_t>(b > 255 ? 255 : b);
            }
        }
    }
};

}  // namespace

const uint8_t* previewBannerPixels()
{
    static const DrawnBanner banner;
    return banner.pixels;
}

#endif

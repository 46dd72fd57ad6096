// The logo archive's pictures and the preview banner.
//   logo1.bmp  512 × 256: the maker's emblem and name, bright on black. The intro adds it to the
//              screen and spawns sparks and smoke wherever the sweep line crosses pixels brighter
//              than a fifth of white, so everything that is not meant to spark stays well darker.
//   smoke.bmp  a soft puff, drawn on small fans and as the light sheets' second texture.
//   shine.bmp  the glow band along the sweep line: the intro reads one column (moving with the
//              line) over the middle three quarters of its height.
// Lettering is drawn at four times the final size and averaged down, for smooth edges.

#include "forge.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kPi = 3.14159265f;

// Averages factor × factor blocks.
Picture shrink(const Picture& big, int factor)
{
    Picture out(big.width / factor, big.height / factor);
    const float norm = 1.0f / (factor * factor);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            float sum[3] = {0, 0, 0};
            for (int j = 0; j < factor; ++j)
                for (int i = 0; i < factor; ++i) {
                    const float* p = big.at(x * factor + i, y * factor + j);
                    for (int c = 0; c < 3; ++c) sum[c] += p[c];
                }
            out.set(x, y, sum[0] * norm, sum[1] * norm, sum[2] * norm);
        }
    return out;
}

// The largest pixel size (from `start` down) at which the text fits `width` pixels.
Lettering fitLettering(const std::string& font, const std::string& text, int start, int width)
{
    for (int size = start; size > 4; size -= 2) {
        Lettering l = renderLettering(font, size, text);
        if (l.width == 0 || l.width <= width) return l;
    }
    return {};
}

// Adds colour × coverage of the lettering with its ink box's top-left at (left, top).
template <typename Colour>
void paintLettering(Picture& pic, const Lettering& l, int left, int top, Colour colour)
{
    for (int y = 0; y < l.height; ++y)
        for (int x = 0; x < l.width; ++x) {
            const int px = left + x, py = top + y;
            if (px < 0 || py < 0 || px >= pic.width || py >= pic.height) continue;
            const float a = l.at(x, y);
            if (a <= 0.0f) continue;
            float rgb[3];
            colour(static_cast<float>(y) / std::max(1, l.height - 1), rgb);
            float* p = pic.at(px, py);
            for (int c = 0; c < 3; ++c) p[c] = p[c] * (1.0f - a) + rgb[c] * a;
        }
}

Picture makeLogo(const ForgeFonts& fonts)
{
    constexpr int k = 4;   // supersampling
    Picture big(512 * k, 256 * k);
    // The emblem: a planet with a gold orbit ring, its front half crossing the disc.
    const float cx = 110.0f * k, cy = 128.0f * k, radius = 56.0f * k;
    const float ringA = 92.0f * k, ringB = 30.0f * k, tilt = -0.35f;
    const float ct = std::cos(tilt), st = std::sin(tilt);
    for (int y = 0; y < big.height; ++y)
        for (int x = 0; x < big.width; ++x) {
            const float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            float r = 0.0f, g = 0.0f, b = 0.0f;
            const float d = std::sqrt(dx * dx + dy * dy) / radius;
            if (d < 1.0f) {
                // Lit from the upper left; the night side stays dark enough not to spark.
                const float z = std::sqrt(1.0f - d * d);
                const float light = clamp01((-dx / radius) * 0.55f + (-dy / radius) * 0.55f + z * 0.62f);
                const float band = 0.5f + 0.5f * std::sin(dy / radius * 9.0f + 0.6f * std::sin(dx / radius * 4.0f));
                r = 0.20f + 0.75f * light * light;
                g = 0.42f + 0.55f * light * (0.9f + 0.1f * band);
                b = 0.78f + 0.22f * light;
                const float shade = 0.04f + 0.96f * smoothstep(0.05f, 0.6f, light);
                r *= shade;
                g *= shade;
                b *= shade;
            } else {
                const float halo = 0.16f * std::exp(-(d - 1.0f) * 9.0f);   // thin blue atmosphere
                r = 0.3f * halo;
                g = 0.6f * halo;
                b = halo;
            }
            // The ring: an ellipse, tilted; its far half is hidden behind the planet.
            const float rx = (dx * ct + dy * st) / ringA, ry = (-dx * st + dy * ct) / ringB;
            const float e = std::sqrt(rx * rx + ry * ry);
            const float ringDist = std::fabs(e - 1.0f) * ringB;   // about pixels across the band
            const float ringCover = 1.0f - smoothstep(3.0f * k, 5.0f * k, ringDist);
            const bool behind = ry < 0.0f && d < 1.0f;
            if (ringCover > 0.0f && !behind) {
                const float glint = 0.75f + 0.25f * std::cos(std::atan2(ry, rx) - 0.6f);
                r = mix(r, 1.0f * glint, ringCover);
                g = mix(g, 0.78f * glint, ringCover);
                b = mix(b, 0.32f * glint, ringCover);
            }
            big.set(x, y, r, g, b);
        }
    // A four-pointed star where the ring leaves the planet's edge.
    const float sx = cx + ringA * ct * 0.98f, sy = cy + ringA * st * 0.98f;
    for (int y = 0; y < big.height; ++y)
        for (int x = 0; x < big.width; ++x) {
            const float dx = (x + 0.5f - sx) / k, dy = (y + 0.5f - sy) / k;
            const float star = std::exp(-(dx * dx + dy * dy) / 18.0f) +
                               0.8f * std::exp(-dy * dy / 1.2f) * std::exp(-std::fabs(dx) / 9.0f) +
                               0.8f * std::exp(-dx * dx / 1.2f) * std::exp(-std::fabs(dy) / 9.0f);
            if (star < 0.002f) continue;
            float* p = big.at(x, y);
            p[0] = clamp01(p[0] + star);
            p[1] = clamp01(p[1] + star * 0.95f);
            p[2] = clamp01(p[2] + star * 0.85f);
        }

    // The name, white to warm gold downwards, and a spaced tagline under a thin rule.
    const std::string bold = fonts.file("DejaVuSans-Bold.ttf");
    const Lettering name = fitLettering(bold, "HARVELLE", 60 * k, 272 * k);
    const int nameLeft = 226 * k, nameTop = 128 * k - name.height / 2 - 8 * k;
    paintLettering(big, name, nameLeft, nameTop, [](float t, float* c) {
        c[0] = 1.0f;
        c[1] = mix(0.98f, 0.72f, t);
        c[2] = mix(0.95f, 0.36f, t);
    });
    const int ruleTop = nameTop + name.height + 9 * k;
    for (int y = ruleTop; y < ruleTop + 2 * k; ++y)
        for (int x = nameLeft; x < nameLeft + name.width; ++x) {
            const float t = static_cast<float>(x - nameLeft) / name.width;
            const float v = 0.85f * std::sin(kPi * t);
            big.set(x, y, v, v * 0.8f, v * 0.45f);
        }
    const Lettering tag = fitLettering(fonts.file("DejaVuSans.ttf"), "S O F T W A R E", 17 * k, name.width);
    paintLettering(big, tag, nameLeft + (name.width - tag.width) / 2, ruleTop + 9 * k,
                   [](float, float* c) { c[0] = 0.62f; c[1] = 0.74f; c[2] = 0.95f; });
    return shrink(big, k);
}

Picture makeSmoke()
{
    const int n = 256;
    Picture pic(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float dx = (x + 0.5f) / (n / 2) - 1.0f, dy = (y + 0.5f) / (n / 2) - 1.0f;
            const float d = std::sqrt(dx * dx + dy * dy);
            const float u = (x + 0.5f) / n * 4, v = (y + 0.5f) / n * 4;
            const float wisps = tileFbm(u + 0.5f * tileFbm(u, v, 4, 3, 0.5f, 71), v, 4, 6, 0.55f, 72);
            const float body = (1.0f - smoothstep(0.2f, 0.95f, d)) * clamp01(0.55f + 0.7f * wisps);
            pic.set(x, y, body * 0.92f, body * 0.94f, body);
        }
    return pic;
}

Picture makeShine()
{
    const int n = 256;
    Picture pic(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float v = (y + 0.5f) / n - 0.5f;
            // Streaks run along the line (down the picture) and change from column to column,
            // so the band shimmers as the line moves.
            const float streak = tileFbm((x + 0.5f) / n * 24, (y + 0.5f) / n * 2, 24, 4, 0.5f, 81);
            const float core = std::exp(-v * v / 0.045f);
            const float value = core * clamp01(0.6f + 0.55f * streak) + 0.35f * std::exp(-v * v / 0.006f);
            pic.set(x, y, 0.80f * value, 0.88f * value, value);
        }
    return pic;
}

}   // namespace

std::vector<ForgedImage> forgeLogoImages(const ForgeFonts& fonts)
{
    std::vector<ForgedImage> images;
    images.push_back({"logo1.bmp", makeLogo(fonts)});
    images.push_back({"smoke.bmp", makeSmoke()});
    images.push_back({"shine.bmp", makeShine()});
    return images;
}

Picture forgePreviewBanner(const ForgeFonts& fonts)
{
    constexpr int k = 4;
    Picture big(kBannerWidth * k, kBannerHeight * k);
    Random random(0x42414E52);
    // Night sky, a little lighter and warmer towards the horizon.
    for (int y = 0; y < big.height; ++y) {
        const float t = static_cast<float>(y) / big.height;
        for (int x = 0; x < big.width; ++x)
            big.set(x, y, mix(0.01f, 0.10f, t * t), mix(0.02f, 0.06f, t * t), mix(0.08f, 0.14f, t));
    }
    for (int s = 0; s < 60; ++s) {
        const int x = static_cast<int>(random.uniform() * big.width), y = static_cast<int>(random.uniform() * big.height);
        const float v = random.range(0.3f, 0.9f);
        for (int j = 0; j < k; ++j)
            for (int i = 0; i < k; ++i)
                if (x + i < big.width && y + j < big.height) big.setGrey(x + i, y + j, v);
    }
    // The fire streak: a hot head low on the right, its trail widening and cooling up to the left.
    const float hx = 104.0f * k, hy = 30.0f * k, tx = 6.0f * k, ty = 2.0f * k;
    const float lx = hx - tx, ly = hy - ty, len = std::sqrt(lx * lx + ly * ly);
    for (int y = 0; y < big.height; ++y)
        for (int x = 0; x < big.width; ++x) {
            const float px = x + 0.5f - tx, py = y + 0.5f - ty;
            const float along = (px * lx + py * ly) / (len * len);   // 0 at the tail, 1 at the head
            const float across = std::fabs(px * ly - py * lx) / len / k;   // final pixels
            float heat = 0.0f;
            if (along > 0.0f && along < 1.0f) {
                const float width = 0.6f + 2.2f * (1.0f - along);
                heat = std::exp(-across * across / (width * width)) * std::pow(along, 1.6f);
            }
            const float hdx = (x + 0.5f - hx) / k, hdy = (y + 0.5f - hy) / k;
            heat += 1.3f * std::exp(-(hdx * hdx + hdy * hdy) / 5.0f);
            if (heat <= 0.001f) continue;
            float* p = big.at(x, y);
            p[0] = clamp01(p[0] + 1.2f * heat);
            p[1] = clamp01(p[1] + 0.55f * heat * heat + 0.1f * heat);
            p[2] = clamp01(p[2] + 0.25f * heat * heat * heat);
        }
    const Lettering name = fitLettering(fonts.file("DejaVuSans-Bold.ttf"), "Caldrise", 26 * k, 120 * k);
    paintLettering(big, name, (big.width - name.width) / 2, 64 * k - name.height, [](float t, float* c) {
        c[0] = 1.0f;
        c[1] = mix(1.0f, 0.86f, t);
        c[2] = mix(1.0f, 0.70f, t);
    });
    return shrink(big, k);
}

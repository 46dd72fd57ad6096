// The product archive's pictures. How each is used decides how it is made:
//   earth.bmp    repeats 2.5 times across the earth patch and is blended over black with its red
//                channel as alpha, so dark red means transparent: oceans keep some red to show;
//   earthBump    the same terrain's heights in red, turned into a normal map by the saver;
//   lcloud.bmp   cloud density in red (alpha), also a normal map, and the texture of the flames;
//   cloud.bmp    the sky clouds of the ground view, stretched five- and tenfold across;
//   hull, foil   the station's opaque surfaces;
//   font.bmp     64 glyph cells in one row, coverage in red, the bottom of the picture at v = 0;
//   lens*.bmp    flare and glow sprites, shape in red, black at their borders.
// Everything that repeats is made from noise whose lattice repeats with the picture.

#include "forge.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr float kPi = 3.14159265f;

// Lattice coordinates of a pixel's centre, for noise that repeats `period` cells across.
inline float cell(int px, int size, int period) { return (px + 0.5f) / size * period; }

struct Rgb {
    float r, g, b;
};
inline Rgb mixRgb(Rgb a, Rgb b, float t) { return {mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t)}; }

// ---- earth ---------------------------------------------------------------------------------------

constexpr int kEarthSize = 1024;
constexpr int kEarthPeriod = 3;       // continents: three lattice cells across one repeat
constexpr float kOceanShare = 0.70f;  // an ocean planet: seven tenths water

struct Terrain {
    std::vector<float> relief;      // warped noise, sea level at seaLevel
    std::vector<float> mountains;   // ridged chains, 0 … 1
    std::vector<float> moisture;    // −1 … 1
    float seaLevel = 0.0f;
};

const Terrain& earthTerrain()
{
    static Terrain t;
    if (!t.relief.empty()) return t;
    const int n = kEarthSize, p = kEarthPeriod;
    t.relief.resize(static_cast<size_t>(n) * n);
    t.mountains.resize(t.relief.size());
    t.moisture.resize(t.relief.size());
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float u = cell(x, n, p), v = cell(y, n, p);
            // Warping by periodic offsets keeps the tiling and bends coasts into bays and capes.
            const float wx = tileFbm(u, v, p, 4, 0.5f, 11);
            const float wy = tileFbm(u, v, p, 4, 0.5f, 12);
            const size_t i = static_cast<size_t>(y) * n + x;
            // Only the broad octaves are warped: warping the fine ones stretches them into streaks.
            t.relief[i] = tileFbm(u + 0.7f * wx, v + 0.7f * wy, p, 5, 0.55f, 1) +
                          0.22f * tileFbm(16 * u, 16 * v, 16 * p, 4, 0.55f, 2);
            t.mountains[i] = tileRidged(2 * u + 0.15f * wx, 2 * v + 0.15f * wy, 2 * p, 7, 5);
            t.moisture[i] = tileFbm(2 * u, 2 * v, 2 * p, 5, 0.5f, 7);
        }
    std::vector<float> sorted = t.relief;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(kOceanShare * sorted.size()), sorted.end());
    t.seaLevel = sorted[static_cast<size_t>(kOceanShare * sorted.size())];
    return t;
}

// Land height 0 … 1 above the coast.
float landHeight(const Terrain& t, size_t i)
{
    const float above = t.relief[i] - t.seaLevel;
    if (above <= 0.0f) return 0.0f;
    const float m = t.mountains[i];
    return clamp01(0.55f * smoothstep(0.0f, 0.45f, above) + 0.6f * m * m * smoothstep(0.03f, 0.3f, above));
}

Picture makeEarth()
{
    const Terrain& t = earthTerrain();
    const int n = kEarthSize;
    Picture pic(n, n);
    // Colours are chosen for their red as much as for their hue: red is the opacity over black,
    // and the bump lighting leaves flat ground at about a third of the colour, so all of them are
    // lighter than they would be in a plain picture.
    const Rgb deep{0.34f, 0.47f, 0.74f}, open{0.40f, 0.56f, 0.82f}, shelf{0.52f, 0.76f, 0.84f};
    const Rgb beach{0.80f, 0.74f, 0.56f}, grass{0.68f, 0.72f, 0.42f}, forest{0.52f, 0.60f, 0.33f};
    const Rgb desert{0.95f, 0.82f, 0.58f}, rock{0.76f, 0.68f, 0.58f}, snow{0.94f, 0.94f, 0.96f};
    std::vector<float> height(t.relief.size());
    for (size_t i = 0; i < height.size(); ++i) height[i] = landHeight(t, i);
    auto heightAt = [&](int x, int y) { return height[static_cast<size_t>((y + n) % n) * n + (x + n) % n]; };
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const size_t i = static_cast<size_t>(y) * n + x;
            const float above = t.relief[i] - t.seaLevel;
            const float grain = tileFbm(cell(x, n, 32), cell(y, n, 32), 32, 3, 0.5f, 9);
            // Relief shading from the upper left, as in an image taken with a low sun: it gives
            // the land the texture of real terrain even where the bump lighting is flat.
            const float slope = heightAt(x - 1, y) - heightAt(x + 1, y) + heightAt(x, y - 1) - heightAt(x, y + 1);
            Rgb c;
            if (above < 0.0f) {
                const float depth = -above;
                c = mixRgb(open, deep, smoothstep(0.05f, 0.4f, depth));
                c = mixRgb(c, shelf, 1.0f - smoothstep(0.0f, 0.06f, depth));
                c = mixRgb(c, {c.r * 1.06f, c.g * 1.04f, c.b}, 0.5f + 0.5f * grain);
            } else {
                const float h = height[i];
                const float wet = t.moisture[i] + 0.3f * tileFbm(cell(x, n, 48), cell(y, n, 48), 48, 3, 0.5f, 8);
                c = mixRgb(grass, forest, smoothstep(0.0f, 0.4f, wet));
                c = mixRgb(c, desert, smoothstep(-0.05f, -0.4f, wet));
                c = mixRgb(c, rock, smoothstep(0.35f, 0.6f, h));
                c = mixRgb(c, snow, smoothstep(0.8f, 0.92f, h));
                c = mixRgb(c, beach, 1.0f - smoothstep(0.0f, 0.012f, above));
                const float shade = std::min(1.4f, std::max(0.45f, 1.0f + 0.12f * grain + 8.0f * slope));
                c = {clamp01(c.r * shade), clamp01(c.g * shade), clamp01(c.b * shade)};
            }
            pic.set(x, y, c.r, c.g, c.b);
        }
    return pic;
}

Picture makeEarthBump()
{
    const Terrain& t = earthTerrain();
    const int n = kEarthSize;
    Picture pic(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const size_t i = static_cast<size_t>(y) * n + x;
            const float above = t.relief[i] - t.seaLevel;
            // The sea is flat but for a faint swell; the coast steps up out of it.
            const float sea = 0.08f + 0.01f * tileNoise(cell(x, n, 64), cell(y, n, 64), 64, 13);
            const float h = above < 0.0f ? sea : 0.12f + 0.88f * landHeight(t, i);
            pic.setGrey(x, y, h);
        }
    return pic;
}

// ---- clouds --------------------------------------------------------------------------------------

Picture makeOrbitalClouds()
{
    const int n = 1024, p = 4;
    Picture pic(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float u = cell(x, n, p), v = cell(y, n, p);
            const float wx = tileFbm(u, v, p, 5, 0.5f, 21);
            const float wy = tileFbm(u, v, p, 5, 0.5f, 22);
            const float body = tileFbm(u + 1.1f * wx, v + 1.1f * wy, p, 9, 0.55f, 23);
            const float d = smoothstep(-0.12f, 0.5f, body);
            pic.setGrey(x, y, std::pow(d, 1.2f));
        }
    return pic;
}

Picture makeSkyClouds()
{
    const int n = 512, p = 4;
    Picture pic(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float u = cell(x, n, p), v = cell(y, n, p);
            const float body = tileFbm(u, v, p, 6, 0.5f, 41);
            // Red is the opacity and the two drifting layers multiply, so the cores are dense;
            // green and blue stay high, which keeps the thin edges white over the blue sky.
            const float d = smoothstep(-0.3f, 0.45f, body);
            pic.set(x, y, d, clamp01(0.8f + 0.2f * d), clamp01(0.85f + 0.15f * d));
        }
    return pic;
}

// ---- station surfaces ----------------------------------------------------------------------------

Picture makeHull()
{
    const int n = 512, plate = 128;
    Picture pic(n, n);
    Random random(0x48554C4C);
    // Each 128-pixel square is one plate or two half plates; tones vary by plate.
    float tone[4][4][2];
    bool split[4][4];
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) {
            split[j][i] = random.uniform() < 0.5f;
            tone[j][i][0] = random.range(0.62f, 0.82f);
            tone[j][i][1] = random.range(0.62f, 0.82f);
        }
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const int i = x / plate, j = y / plate;
            int lx = x % plate, ly = y % plate, w = plate, h = plate, half = 0;
            if (split[j][i]) {
                half = ly >= plate / 2;
                ly %= plate / 2;
                h = plate / 2;
            }
            const float edge = static_cast<float>(std::min(std::min(lx, w - 1 - lx), std::min(ly, h - 1 - ly)));
            float v = tone[j][i][half];
            v += 0.05f * tileFbm(cell(x, n, 32), cell(y, n, 32), 32, 3, 0.5f, 51);
            v -= 0.10f * clamp01(tileFbm(cell(x, n, 4), cell(y, n, 4), 4, 5, 0.6f, 52));   // grime
            // Bevel: lit from the top left.
            if (edge < 4.0f) v += (lx < 4 || ly < 4) ? 0.08f : -0.10f;
            if (edge < 1.5f) v = 0.18f;   // the seam
            // Rivets along the edges, 6 pixels in, every 16 pixels.
            const bool onRivetRow = std::abs(edge - 8.0f) < 3.0f;
            if (onRivetRow) {
                const int along = (lx < 10 || lx > w - 11) ? ly : lx;
                const float dx = static_cast<float>(along % 16) - 8.0f;
                const float dy = edge - 8.0f;
                const float r = std::sqrt(dx * dx + dy * dy);
                if (r < 2.2f) v = 0.55f + 0.35f * clamp01(0.6f - 0.25f * (dx + dy));
            }
            // A hatch outline on some plates.
            if (!split[j][i] && (i + j) % 3 == 0) {
                const int hx = std::abs(lx - plate / 2), hy = std::abs(ly - plate / 2);
                const int ring = std::max(hx, hy);
                if (ring == 30 || ring == 31) v *= 0.55f;
                if (ring == 32) v += 0.06f;
            }
            pic.set(x, y, v, v * 0.99f, v * 0.96f);
        }
    return pic;
}

Picture makeFoil()
{
    const int n = 512, cellSize = 64;
    Picture pic(n, n);
    Random random(0x464F494C);
    float cellTone[8][8];
    for (auto& row : cellTone)
        for (float& t : row) t = random.range(0.85f, 1.15f);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const int cx = x / cellSize, cy = y / cellSize;
            const int lx = x % cellSize, ly = y % cellSize;
            Rgb c;
            if (cy >= 6) {
                // Two rows of gold thermal foil: crinkles as ridged noise, bright creases.
                const float crinkle = tileRidged(cell(x, n, 24), cell(y, n, 24), 24, 4, 61);
                const float lum = 0.45f + 0.6f * crinkle;
                c = {0.95f * lum, 0.72f * lum, 0.30f * lum};
                if ((cy == 6 && ly < 2) || (cy == 7 && ly >= cellSize - 2)) c = {0.62f, 0.63f, 0.66f};
            } else if (lx < 2 || ly < 2 || lx >= cellSize - 2 || ly >= cellSize - 2) {
                c = {0.62f, 0.63f, 0.66f};   // the frame round each cell, so the tile wraps frame to frame
            } else {
                const float t = cellTone[cy][cx];
                const float sheen = 0.5f + 0.5f * std::sin((x + y) * 0.012f);
                c = {0.07f * t, 0.11f * t + 0.03f * sheen, 0.32f * t + 0.06f * sheen};
                if (ly % 6 == 0) c = {0.22f, 0.26f, 0.42f};   // fingers
                if (std::abs(lx - 24) < 2 || std::abs(lx - 45) < 2) c = {0.70f, 0.70f, 0.73f};   // bus bars
            }
            pic.set(x, y, c.r, c.g, c.b);
        }
    return pic;
}

// ---- caption font --------------------------------------------------------------------------------

constexpr int kFontCellWidth = 32;   // pixels; the glyph quad is 0.04 wide by 0.08 high
constexpr int kFontHeight = 64;
constexpr int kFontPadding = 3;      // empty pixels round each glyph so mipmaps keep cells apart

Picture makeFont(const ForgeFonts& fonts)
{
    Picture pic(kFontCells * kFontCellWidth, kFontHeight);
    const std::string chars = "1234567890abcdefghijklmnopqrstuvwxyz:,.-";
    const std::string font = fonts.file("DejaVuSansMono-Bold.ttf");
    const int size = 44;   // pixels per em: the mono advance (0.6 em) fills the padded cell
    std::vector<Lettering> glyphs;
    int ascent = 0, descent = 0;
    for (char ch : chars) {
        glyphs.push_back(renderLettering(font, size, std::string(1, ch)));
        const Lettering& g = glyphs.back();
        ascent = std::max(ascent, g.baseline);
        descent = std::max(descent, g.height - g.baseline);
    }
    // One baseline for every glyph, the tallest and deepest centred in the cell.
    const int baseline = (kFontHeight - ascent - descent) / 2 + ascent;
    for (size_t k = 0; k < chars.size(); ++k) {
        const Lettering& g = glyphs[k];
        const int c = captionCell(chars[k]);
        const int left = c * kFontCellWidth + (kFontCellWidth - g.width) / 2;
        const int top = baseline - g.baseline;
        for (int y = 0; y < g.height; ++y)
            for (int x = 0; x < g.width; ++x) {
                const int px = left + x, py = top + y;
                const int inCell = px - c * kFontCellWidth;
                if (inCell < kFontPadding || inCell >= kFontCellWidth - kFontPadding || py < kFontPadding ||
                    py >= kFontHeight - kFontPadding)
                    continue;   // never ink the padding, whatever the font does
                pic.setGrey(px, py, g.at(x, y));
            }
    }
    return pic;
}

// ---- flare sprites -------------------------------------------------------------------------------

constexpr int kSpriteSize = 512;

// Calls shape(dx, dy) with the pixel's offset from the centre, in half-sizes (−1 … 1), and fades
// the result to nothing before the border so the sprite's quad never shows an edge.
template <typename Shape>
Picture makeSprite(Shape shape)
{
    const int n = kSpriteSize;
    Picture pic(n, n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const float dx = (x + 0.5f) / (n / 2) - 1.0f, dy = (y + 0.5f) / (n / 2) - 1.0f;
            const float d = std::sqrt(dx * dx + dy * dy);
            const float window = 1.0f - smoothstep(0.86f, 0.97f, d);
            pic.setGrey(x, y, clamp01(shape(dx, dy, d) * window));
        }
    return pic;
}

Picture makeGlow()
{
    return makeSprite([](float, float, float d) {
        return 0.95f * std::exp(-d * d / 0.012f) + 0.45f * std::exp(-d * d / 0.09f) + 0.18f * std::exp(-d * 3.5f);
    });
}

Picture makeRing()
{
    return makeSprite([](float, float, float d) {
        const float ring = std::exp(-std::pow((d - 0.76f) / 0.022f, 2.0f));
        const float halo = 0.22f * std::exp(-std::pow((d - 0.72f) / 0.07f, 2.0f));
        const float fill = 0.05f * (1.0f - smoothstep(0.2f, 0.75f, d));
        return 0.9f * ring + halo + fill;
    });
}

Picture makeHexGhost()
{
    return makeSprite([](float dx, float dy, float) {
        // Distance to a regular hexagon's edges: the largest projection on its three edge normals.
        float hd = 0.0f;
        for (int k = 0; k < 3; ++k) {
            const float a = kPi / 6.0f + k * kPi / 3.0f;
            hd = std::max(hd, std::fabs(dx * std::cos(a) + dy * std::sin(a)));
        }
        const float inside = 1.0f - smoothstep(0.66f, 0.69f, hd);
        const float rim = smoothstep(0.45f, 0.68f, hd);
        return inside * (0.30f + 0.45f * rim * rim) + 0.08f * std::exp(-std::pow((hd - 0.68f) / 0.04f, 2.0f));
    });
}

Picture makeStarburst()
{
    struct Ray {
        float angle, length, width, strength;
    };
    std::vector<Ray> rays;
    Random random(0x53544152);
    for (int k = 0; k < 36; ++k) {
        const bool major = k < 8;
        const float base = major ? k * kPi / 4.0f : random.range(0.0f, 2.0f * kPi);
        rays.push_back({base + random.range(-0.04f, 0.04f), major ? random.range(0.75f, 0.9f) : random.range(0.3f, 0.75f),
                        major ? 0.010f : random.range(0.004f, 0.008f), major ? 0.85f : random.range(0.25f, 0.55f)});
    }
    return makeSprite([rays](float dx, float dy, float d) {
        const float theta = std::atan2(dy, dx);
        float v = 0.0f;
        for (const Ray& r : rays) {
            float diff = std::fabs(theta - r.angle);
            diff = std::min(diff, 2.0f * kPi - diff);
            const float across = diff * d;   // distance from the ray's line, in half-sizes
            v += r.strength * std::exp(-std::pow(across / r.width, 2.0f)) * std::pow(clamp01(1.0f - d / r.length), 1.5f);
        }
        // The long horizontal streak of the lens and a hot core.
        v += 0.9f * std::exp(-std::pow(dy / 0.012f, 2.0f)) * std::pow(clamp01(1.0f - std::fabs(dx) / 0.95f), 2.0f);
        v += std::exp(-d * d / 0.004f) + 0.3f * std::exp(-d * d / 0.03f);
        return v;
    });
}

Picture makeDisc()
{
    return makeSprite([](float, float, float d) {
        const float disc = 1.0f - smoothstep(0.40f, 0.45f, d);
        return disc + 0.55f * std::exp(-d * d / 0.06f) + 0.12f * std::exp(-d * 5.0f);
    });
}

}   // namespace

std::vector<ForgedImage> forgeSceneImages(const ForgeFonts& fonts)
{
    std::vector<ForgedImage> images;
    images.push_back({"lcloud.bmp", makeOrbitalClouds()});
    images.push_back({"earth.bmp", makeEarth()});
    images.push_back({"earthBump.bmp", makeEarthBump()});
    images.push_back({"hull.bmp", makeHull()});
    images.push_back({"foil.bmp", makeFoil()});
    images.push_back({"cloud.bmp", makeSkyClouds()});
    images.push_back({"font.bmp", makeFont(fonts)});
    images.push_back({"lens0.bmp", makeGlow()});
    images.push_back({"lens1.bmp", makeRing()});
    images.push_back({"lens4.bmp", makeHexGhost()});
    images.push_back({"lens5.bmp", makeStarburst()});
    images.push_back({"lens6.bmp", makeDisc()});
    return images;
}

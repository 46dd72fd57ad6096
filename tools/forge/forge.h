// caldrise-forge: makes the default data files at build time, procedurally and deterministically
// (fixed seeds and our own generator, never the C library's), so the same source always gives the
// same bytes and nothing binary needs to be committed.
//
//   caldrise-forge <output folder> [--mesh-header H --mesh-source S]
//                  [--banner-header H --banner-source S] [--fonts DIR] [--contact-sheets DIR]
//
// The output folder receives Caldrise.dat, logo.dat and caldrise.str; the mesh and banner options
// write C++ source that the program compiles in.
#pragma once

#include "kit/fontcells.h"   // captionCell: the cells the font glyphs go into

#include <cstdint>
#include <string>
#include <vector>

// The sound bank caldrise.str (six sounds, in the order the scene loads them into its slots).
// Returns false, with a message on stderr, when it cannot be written.
bool forgeSoundBank(const std::string& path);

// The station mesh tables as C++ source. Returns false, with a message on stderr, on failure.
bool forgeStationMesh(const std::string& headerPath, const std::string& sourcePath);

// A picture in the making: red, green, blue floats of 0 … 1 a pixel, rows top first.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<float> rgb;

    Picture() = default;
    Picture(int w, int h) : width(w), height(h), rgb(static_cast<size_t>(w) * h * 3, 0.0f) {}
    float* at(int x, int y) { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
    const float* at(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
    void set(int x, int y, float r, float g, float b)
    {
        float* p = at(x, y);
        p[0] = r;
        p[1] = g;
        p[2] = b;
    }
    void setGrey(int x, int y, float v) { set(x, y, v, v, v); }
};

// splitmix64: small, fast and the same on every platform.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    float uniform() { return static_cast<float>(next() >> 40) / 16777216.0f; }   // 0 … <1
    float range(float lo, float hi) { return lo + (hi - lo) * uniform(); }

private:
    uint64_t state_;
};

// Gradient noise on a square lattice that repeats every `period` cells in x and y, so a picture
// sampled over exactly 0 … period tiles seamlessly. About −0.7 … 0.7.
float tileNoise(float x, float y, int period, uint32_t seed);

// Octaves of tileNoise; each octave doubles the frequency (and the period, so tiling holds).
// x, y in units of the base period's cells; result about −1 … 1.
float tileFbm(float x, float y, int period, int octaves, float gain, uint32_t seed);

// Ridged octaves (mountain chains): 0 … 1, sharp crests.
float tileRidged(float x, float y, int period, int octaves, uint32_t seed);

float clamp01(float v);
float smoothstep(float edge0, float edge1, float x);
float mix(float a, float b, float t);

// Lettering rendered with FreeType: coverage 0 … 1, rows top first, with the baseline's row.
struct Lettering {
    int width = 0;
    int height = 0;
    int baseline = 0;   // rows from the top to the baseline
    std::vector<float> coverage;
    float at(int x, int y) const { return coverage[static_cast<size_t>(y) * width + x]; }
};
// Returns an empty lettering (and says why on stderr) when the font cannot be used.
Lettering renderLettering(const std::string& fontFile, int pixelSize, const std::string& text);

// Colour JPEG (JFIF) at the given quality, 4:2:0 as the library's defaults have it.
std::vector<uint8_t> encodeJpeg(const Picture& picture, int quality);

// An 8-bit RGB PNG, for the contact sheets. Returns false when the file cannot be written.
bool writePng(const std::string& path, const Picture& picture);

// One archive entry before it is encoded.
struct ForgedImage {
    std::string name;
    Picture picture;
};

// Where the fonts live (a folder holding the DejaVu files).
struct ForgeFonts {
    std::string folder;
    std::string file(const char* name) const { return folder + "/" + name; }
};

// The twelve images of the product archive, in the order the scene loads them.
std::vector<ForgedImage> forgeSceneImages(const ForgeFonts& fonts);
// logo1.bmp, smoke.bmp, shine.bmp of the logo archive.
std::vector<ForgedImage> forgeLogoImages(const ForgeFonts& fonts);
// The preview's 140 × 70 banner.
Picture forgePreviewBanner(const ForgeFonts& fonts);
constexpr int kBannerWidth = 140;
constexpr int kBannerHeight = 70;

constexpr int kFontCells = 64;

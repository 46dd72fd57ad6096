// Texture's pixel work, which needs no GL context: conversion, sampling, normal maps.
#include "assets/texture.h"

#include "assets/bitmap.h"

#include "platform/exception.h"

#include "archive_bytes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct Rgba {
    int r, g, b, a;
    bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
};

std::ostream& operator<<(std::ostream& out, const Rgba& p)
{
    return out << "(" << p.r << ", " << p.g << ", " << p.b << ", " << p.a << ")";
}

// The buffer's pixel at column x of buffer row y (row 0 is the picture's bottom row).
Rgba bufferPixel(const Texture& t, uint32_t x, uint32_t y)
{
    const uint8_t* p = &t.pixels[(static_cast<size_t>(y) * t.width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

// A bitmap whose red channel is the given height field, rows from the top.
Bitmap heightField(const std::vector<std::vector<uint8_t>>& rows)
{
    Bitmap b(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
    for (size_t y = 0; y < rows.size(); ++y)
        for (size_t x = 0; x < rows[y].size(); ++x) {
            b.row(static_cast<int>(y))[x * 3 + 2] = rows[y][x];
            b.row(static_cast<int>(y))[x * 3 + 1] = 9;   // must not matter
        }
    return b;
}

std::string constructionError(const Bitmap* bitmap, int alphaMode)
{
    try {
        Texture t(bitmap, false, alphaMode);
    } catch (const Exception& e) {
        return e.message();
    }
    return "(built)";
}

TEST(Texture, RowsAreStoredBottomUp)
{
    Bitmap picture = solidPicture(2, 2, 0, 0, 0);
    picture.row(0)[2] = 255;   // top-left pixel pure red
    const Texture t(&picture, false, 0);
    EXPECT_EQ(t.width, 2u);
    EXPECT_EQ(t.height, 2u);
    EXPECT_FALSE(t.uploaded);
    ASSERT_EQ(t.pixels.size(), 16u);
    EXPECT_EQ(bufferPixel(t, 0, 1), (Rgba{255, 0, 0, 255})) << "the third pixel is the picture's top-left";
    EXPECT_EQ(bufferPixel(t, 0, 0), (Rgba{0, 0, 0, 255}));
}

TEST(Texture, AlphaModes)
{
    const struct {
        int mode;
        uint8_t r, g, b;
        Rgba expected;
    } cases[] = {
        {0, 200, 10, 20, {200, 10, 20, 255}},
        {1, 200, 10, 10, {200, 10, 10, 200}},
        {2, 200, 10, 20, {200, 10, 20, 10}},
        {3, 200, 10, 20, {200, 10, 20, 20}},
        {4, 1, 1, 1, {1, 1, 1, 30}},
        {4, 20, 20, 20, {20, 20, 20, 255}},
        {4, 8, 9, 9, {8, 9, 9, 255}},   // a sum of 26 is the first to reach 255
        {4, 8, 8, 9, {8, 8, 9, 250}},
        {4, 0, 0, 0, {0, 0, 0, 0}},
        {4, 255, 255, 255, {255, 255, 255, 255}},
        {5, 200, 10, 10, {0, 0, 0, 55}},
        {5, 0, 90, 90, {0, 0, 0, 255}},
    };
    for (const auto& c : cases) {
        const Bitmap picture = solidPicture(1, 1, c.r, c.g, c.b);
        const Texture t(&picture, true, c.mode);
        EXPECT_EQ(bufferPixel(t, 0, 0), c.expected)
            << "mode " << c.mode << " on (" << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ")";
    }
}

TEST(Texture, ThirtyTwoBitAndGreyBitmapsConvertToo)
{
    Bitmap wide(1, 2, 32);
    const uint8_t top[4] = {30, 20, 10, 99}, bottom[4] = {3, 2, 1, 0};
    std::copy(top, top + 4, wide.row(0));
    std::copy(bottom, bottom + 4, wide.row(1));
    const Texture t32(&wide, false, 0);
    EXPECT_EQ(bufferPixel(t32, 0, 1), (Rgba{10, 20, 30, 255})) << "the fourth byte is ignored";
    EXPECT_EQ(bufferPixel(t32, 0, 0), (Rgba{1, 2, 3, 255}));

    Bitmap grey(2, 1, 8);
    grey.pixels = {40, 200};
    const Texture t8(&grey, false, 1);
    EXPECT_EQ(bufferPixel(t8, 0, 0), (Rgba{40, 40, 40, 40}));
    EXPECT_EQ(bufferPixel(t8, 1, 0), (Rgba{200, 200, 200, 200}));
}

TEST(Texture, RefusesWhatItCannotConvert)
{
    const Bitmap picture = solidPicture(2, 2, 1, 2, 3);
    Bitmap odd = picture;
    odd.bitsPerPixel = 16;
    const Bitmap empty;
    EXPECT_EQ(constructionError(nullptr, 0), "Texture: no bitmap");
    EXPECT_EQ(constructionError(&empty, 0), "Texture: empty bitmap");
    EXPECT_EQ(constructionError(&odd, 0), "Texture: bitmaps of 16 bits per pixel cannot be converted");
    EXPECT_EQ(constructionError(&picture, 6), "Texture: alpha mode 6 is not one of 0 to 5");
    EXPECT_EQ(constructionError(&picture, -1), "Texture: alpha mode -1 is not one of 0 to 5");
    EXPECT_EQ(constructionError(&picture, 5), "(built)");
}

TEST(Texture, SampleClampsBelowAndWrapsAbove)
{
    // 4 × 2: column c of the top row has red 10 × (c + 1), the bottom row green 10 × (c + 1).
    Bitmap picture(4, 2);
    for (int c = 0; c < 4; ++c) {
        picture.row(0)[c * 3 + 2] = static_cast<uint8_t>(10 * (c + 1));
        picture.row(1)[c * 3 + 1] = static_cast<uint8_t>(10 * (c + 1));
    }
    const Texture t(&picture, false, 0);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        float u, v;
        int column, row;
    } cases[] = {
        {0, 0, 0, 0},        {0.3f, 0, 1, 0},    {0.99f, 0, 3, 0},  {1, 0, 0, 0},       {1.25f, 0, 1, 0},
        {2.6f, 0, 2, 0},     {-0.5f, 0, 0, 0},   {-0.2f, 0, 0, 0},  {-7, 0, 0, 0},      {0, 0.5f, 0, 1},
        {0, 0.99f, 0, 1},    {0, 1, 0, 0},       {0, 1.5f, 0, 1},   {0, -3, 0, 0},      {0.5f, 0.5f, 2, 1},
        {nan, nan, 0, 0},    {1e20f, 0, 0, 0},   {inf, 0, 0, 0},    {-inf, 0, 0, 0},    {1e9f + 64, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const Vector3D s = t.sample(c.u, c.v);
        const float level = 10.0f * (c.column + 1) / 255.0f;
        const Vector3D expected = c.row == 0 ? Vector3D(level, 0, 0) : Vector3D(0, level, 0);
        EXPECT_EQ(s.x, expected.x) << "u " << c.u << ", v " << c.v << ": column " << c.column << ", row " << c.row;
        EXPECT_EQ(s.y, expected.y) << "u " << c.u << ", v " << c.v << ": column " << c.column << ", row " << c.row;
        EXPECT_EQ(s.z, 0);
    }
}

TEST(Texture, NormalMapOfAFlatFieldPointsUp)
{
    const Bitmap field = heightField({{90, 90, 90}, {90, 90, 90}});
    Texture t(&field, true, 1);
    t.makeNormalMap();
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 3; ++x)
            EXPECT_EQ(bufferPixel(t, x, y), (Rgba{127, 254, 127, 90})) << "pixel " << x << ", " << y << "; alpha kept";
}

// A bright column in the last place: its left neighbour faces left, the first column (whose left
// neighbour it is, across the edge) faces right, the column itself and the far one stay flat.
// (−0.1, 0.02, 0) normalised is (−0.981, 0.196, 0): bytes 2 and 151; mirrored, 251.
TEST(Texture, NormalMapOfABrightColumnWrapsAroundTheEdge)
{
    const Bitmap field = heightField({{0, 0, 0, 255}, {0, 0, 0, 255}, {0, 0, 0, 255}});
    Texture t(&field, false, 0);
    t.makeNormalMap();
    const Rgba expected[4] = {{251, 151, 127, 255}, {127, 254, 127, 255}, {2, 151, 127, 255}, {127, 254, 127, 255}};
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 4; ++x) EXPECT_EQ(bufferPixel(t, x, y), expected[x]) << "column " << x << ", buffer row " << y;
}

// The same along the picture's rows: j + 1 is the row below, and the blue byte follows the slope
// down the picture. A bright top row: the row under it faces up the picture (blue 251), the
// bottom row, under which the top row lies across the edge, faces down (blue 2).
TEST(Texture, NormalMapOfABrightRowTiltsBlue)
{
    const Bitmap field = heightField({{255, 255}, {0, 0}, {0, 0}, {0, 0}});
    Texture t(&field, false, 0);
    t.makeNormalMap();
    const int blueByPictureRow[4] = {127, 251, 127, 2};
    for (uint32_t j = 0; j < 4; ++j)
        for (uint32_t x = 0; x < 2; ++x) {
            const Rgba p = bufferPixel(t, x, 3 - j);
            EXPECT_EQ(p.b, blueByPictureRow[j]) << "picture row " << j;
            EXPECT_EQ(p.r, 127) << "picture row " << j;
            EXPECT_EQ(p.g, j == 0 || j == 2 ? 254 : 151) << "picture row " << j;
        }
}

}  // namespace

#include "host/modes.h"

#include <gtest/gtest.h>

namespace {

struct Listing {
    ComboBox res;
    DisplayMode modes[kMaxListedModes];
};

void list(Listing& l, const std::vector<DisplayMode>& reported)
{
    l.res.items = {"desktop resolution"};
    listDisplayModes(l.res, l.modes, [&](int index, DisplayMode& mode) {
        if (index >= static_cast<int>(reported.size())) return false;
        mode = reported[index];
        return true;
    });
}

TEST(DisplayModes, FilterAndItemTexts)
{
    Listing l;
    list(l, {
        {640, 480, 8, 60},      // 8 bits: never
        {600, 480, 32, 60},     // 600 wide: no
        {601, 400, 16, 0},      // listed, no frequency
        {800, 600, 32, 75},
        {1600, 1200, 32, 60},   // 1600 wide: yes
        {1601, 1200, 32, 60},   // no
        {800, 600, 32, 75},     // duplicates are listed as often as reported
        {1024, 768, 24, 0},
    });
    EXPECT_EQ(l.res.items, (StringList{"desktop resolution", "601x400x16", "800x600x32  75Hz",
                                       "1600x1200x32  60Hz", "800x600x32  75Hz", "1024x768x24"}));
    EXPECT_EQ(l.modes[0].width, 601);
    EXPECT_EQ(l.modes[1].frequency, 75);
    EXPECT_EQ(l.modes[2].height, 1200);
    EXPECT_EQ(l.modes[4].bitsPerPixel, 24);
    EXPECT_EQ(l.modes[5].width, 0) << "entries past the listed ones stay zero";
}

TEST(DisplayModes, OnlyTheFirst500AreListed)
{
    std::vector<DisplayMode> many;
    for (int i = 0; i < 620; ++i) many.push_back({800, 600, 32, i + 1});
    Listing l;
    list(l, many);
    ASSERT_EQ(l.res.items.size(), 501u) << "desktop resolution plus 500 modes";
    EXPECT_EQ(l.res.items[500], "800x600x32  500Hz");
    EXPECT_EQ(l.modes[499].frequency, 500) << "item k stays entry k - 1";
}

}  // namespace

#include "host/desktop.h"

#include "assets/bitmap.h"

namespace {

TEST(DesktopPicture, StretchedIntoTheTop768RowsOf1024)
{
    // A 2 × 2 desktop: blue, green / red, white.
    const std::vector<uint8_t> bgr = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    std::unique_ptr<Bitmap> p(makeDesktopPicture(2, 2, bgr));
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(p->width, 1024);
    ASSERT_EQ(p->height, 1024);
    const auto at = [&](int x, int y) { const uint8_t* q = p->row(y) + x * 3; return std::vector<int>{q[0], q[1], q[2]}; };
    EXPECT_EQ(at(0, 0), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(at(1023, 383), (std::vector<int>{0, 255, 0}));
    EXPECT_EQ(at(0, 384), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(at(1023, 767), (std::vector<int>{255, 255, 255}));
    EXPECT_EQ(at(500, 768), (std::vector<int>{0, 0, 0})) << "rows below 768 get no drawing";
    EXPECT_EQ(makeDesktopPicture(0, 0, {}), nullptr);
}

}  // namespace

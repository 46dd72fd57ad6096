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

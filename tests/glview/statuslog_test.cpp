#include "glview/statuslog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <ostream>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

LogColour pixel(const StatusLog& log, int x, int y)
{
    const size_t i = (static_cast<size_t>(y) * log.width() + x) * 3;
    return {log.rgb()[i], log.rgb()[i + 1], log.rgb()[i + 2]};
}

bool isBlack(LogColour p) { return p.r == 0 && p.g == 0 && p.b == 0; }

// Smallest rectangle holding every non-black pixel; empty (x0 > x1) when there is none.
struct Box {
    int x0 = INT_MAX, y0 = INT_MAX, x1 = INT_MIN, y1 = INT_MIN;
    bool empty() const { return x0 > x1; }
};
Box inkBox(const StatusLog& log)
{
    Box b;
    for (int y = 0; y < log.height(); ++y)
        for (int x = 0; x < log.width(); ++x)
            if (!isBlack(pixel(log, x, y))) {
                b.x0 = std::min(b.x0, x);
                b.x1 = std::max(b.x1, x);
                b.y0 = std::min(b.y0, y);
                b.y1 = std::max(b.y1, y);
            }
    return b;
}

bool allBlack(const StatusLog& log)
{
    return std::all_of(log.rgb().begin(), log.rgb().end(), [](uint8_t v) { return v == 0; });
}

// An anti-aliased pixel on the black box is the colour scaled by its coverage.
bool isShadeOf(LogColour p, LogColour c)
{
    const int top = std::max({c.r, c.g, c.b});
    const int got = c.r == top ? p.r : c.g == top ? p.g : p.b;
    auto near = [&](int channel, int value) { return std::abs(channel * got / top - value) <= 2; };
    return near(c.r, p.r) && near(c.g, p.g) && near(c.b, p.b);
}

void moveToLine(StatusLog& log, int line)
{
    while (log.line() < line)
        log.skipLine();
}

TEST(StatusLog, StartsBlackOnLineOne)
{
    StatusLog log(64, 48);
    EXPECT_EQ(log.width(), 64);
    EXPECT_EQ(log.height(), 48);
    EXPECT_EQ(log.rgb().size(), 64u * 48u * 3u);
    EXPECT_TRUE(allBlack(log));
    EXPECT_EQ(log.line(), 1);
    EXPECT_TRUE(log.pieces().empty());
    EXPECT_TRUE(log.textLines().empty());
}

struct PlaceCase {
    int line;
    int x;
    const char* text;
    LogColour colour;
};

void PrintTo(const PlaceCase& c, std::ostream* os)
{
    *os << "line " << c.line << ", x " << c.x << ", \"" << c.text << "\"";
}

class StatusLogPlacement : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(StatusLogPlacement, InkLiesInTheLineBandFromXInTheColour)
{
    const PlaceCase& c = GetParam();
    StatusLog log(800, 400);
    moveToLine(log, c.line);
    log.write(c.x, c.text, c.colour, true);

    const int top = 16 * c.line;
    const int right = c.x + StatusLog::textWidth(c.text);
    const Box ink = inkBox(log);
    ASSERT_FALSE(ink.empty());
    EXPECT_GE(ink.y0, top);
    EXPECT_LT(ink.y1, top + 16);
    // Glyphs sit a pixel or two in from the pen, and none reaches past the text's width.
    EXPECT_GE(ink.x0, c.x);
    EXPECT_LE(ink.x0, c.x + 2);
    EXPECT_LT(ink.x1, right);

    // Every lit pixel is a shade of the colour, and some are (nearly) the colour itself: thin
    // glyphs like '?' may have no pixel at full coverage.
    const int peak = std::max({c.colour.r, c.colour.g, c.colour.b});
    int strong = 0;
    for (int y = 0; y < log.height(); ++y)
        for (int x = 0; x < log.width(); ++x) {
            const LogColour p = pixel(log, x, y);
            if (isBlack(p))
                continue;
            EXPECT_TRUE(isShadeOf(p, c.colour)) << "pixel " << x << "," << y;
            strong += std::max({p.r, p.g, p.b}) * 4 >= peak * 3;
        }
    EXPECT_GT(strong, 0) << "no pixel near the full colour";
}

INSTANTIATE_TEST_SUITE_P(
    Samples, StatusLogPlacement,
    ::testing::Values(PlaceCase{1, 16, "Resolution set to 1600x1200x32x60", kLogWhite},
                      PlaceCase{5, 400, "2400 MHz", kLogPass},
                      PlaceCase{5, 400, "???", kLogFail},
                      PlaceCase{12, 48, "GL_ARB_multitexture", kLogWhite},
                      PlaceCase{13, 400, "failed", kLogFail},
                      PlaceCase{20, 16, "Exception: Graphics Card not supported", kLogFail},
                      // the tallest and deepest glyphs still fit in the line
                      PlaceCase{3, 123, "|{}gjpqy_`", kLogPass}));

TEST(StatusLog, LabelKeepsTheLineAndValueAdvances)
{
    StatusLog log(800, 200);
    log.write(16, "CPU", kLogWhite, false);
    EXPECT_EQ(log.line(), 1);
    log.write(400, "2400 MHz", kLogPass, true);
    EXPECT_EQ(log.line(), 2);
    log.write(16, "Detecting Hardware...", kLogWhite, true);
    EXPECT_EQ(log.line(), 3);
    log.skipLine();
    EXPECT_EQ(log.line(), 4);
    log.write(16, "RAM", kLogWhite, false);

    ASSERT_EQ(log.pieces().size(), 4u);
    const int lines[] = {1, 1, 2, 4};
    const int xs[] = {16, 400, 16, 16};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(log.pieces()[i].line, lines[i]);
        EXPECT_EQ(log.pieces()[i].x, xs[i]);
    }
    EXPECT_EQ(log.pieces()[1].text, "2400 MHz");
    EXPECT_TRUE(log.pieces()[1].colour == kLogPass);

    // The value is drawn in the label's band, the skipped line stays black.
    bool valueInk = false, skippedInk = false;
    for (int x = 400; x < 800; ++x)
        for (int y = 16; y < 32; ++y)
            valueInk = valueInk || !isBlack(pixel(log, x, y));
    for (int x = 0; x < 800; ++x)
        for (int y = 48; y < 64; ++y)
            skippedInk = skippedInk || !isBlack(pixel(log, x, y));
    EXPECT_TRUE(valueInk);
    EXPECT_FALSE(skippedInk);
}

TEST(StatusLog, TextSitsOnAnOpaqueBlackBox)
{
    StatusLog log(200, 48);
    log.write(10, "HHHHHHHHHHHH", kLogWhite, false);
    const int cleared = StatusLog::textWidth("    ");
    ASSERT_GT(cleared, 0);
    ASSERT_LT(cleared, StatusLog::textWidth("HHHHHHHHHHHH") - 8);
    log.write(10, "    ", kLogPass, false);

    for (int y = 16; y < 32; ++y)
        for (int x = 10; x < 10 + cleared; ++x)
            EXPECT_TRUE(isBlack(pixel(log, x, y))) << x << "," << y;
    const Box ink = inkBox(log);
    ASSERT_FALSE(ink.empty());
    EXPECT_GE(ink.x0, 10 + cleared);   // the rest of the first text is still there
}

TEST(StatusLog, OtherBytesDrawTheFallbackBox)
{
    const int w = StatusLog::textWidth("\x01");
    EXPECT_GT(w, 0);
    EXPECT_EQ(StatusLog::textWidth(std::string(1, '\0')), w);
    EXPECT_EQ(StatusLog::textWidth("\xff"), w);
    EXPECT_EQ(StatusLog::textWidth("\t\x7f\x80"), 3 * w);

    StatusLog a(40, 32), b(40, 32), space(40, 32);
    a.write(4, "\x01", kLogWhite, true);
    b.write(4, "\xe9", kLogWhite, true);
    space.write(4, " ", kLogWhite, true);
    EXPECT_FALSE(allBlack(a));
    EXPECT_EQ(a.rgb(), b.rgb());
    EXPECT_TRUE(allBlack(space));
    EXPECT_GT(StatusLog::textWidth(" "), 0);
}

TEST(StatusLog, WidthAddsUpAndTheSampleLabelsFitTheirColumn)
{
    EXPECT_EQ(StatusLog::textWidth(""), 0);
    EXPECT_EQ(StatusLog::textWidth("Max Texture Size"),
              StatusLog::textWidth("Max ") + StatusLog::textWidth("Texture Size"));
    EXPECT_GT(StatusLog::textWidth("W"), StatusLog::textWidth("i"));

    // Labels start at 16 and extension names at 48; values start at 400.
    for (const char* label : {"CPU", "RAM", "Max Texture Size", "Texture Units", "K Triangles/sec"})
        EXPECT_LE(16 + StatusLog::textWidth(label), 400) << label;
    for (const char* name : {"GL_ARB_multitexture", "GL_NV_register_combiners", "GL_ARB_texture_env_combine"})
        EXPECT_LE(48 + StatusLog::textWidth(name), 400) << name;
    EXPECT_LE(16 + StatusLog::textWidth("OpenGL 4.5 (Compatibility Profile) Mesa 22.3.6 "
                                        "(llvmpipe (LLVM 15.0.6, 256 bits) Mesa)"),
              800);
}

struct ClipCase {
    int line;
    int x;
};

void PrintTo(const ClipCase& c, std::ostream* os) { *os << "line " << c.line << ", x " << c.x; }

class StatusLogClipping : public ::testing::TestWithParam<ClipCase> {};

// A small picture must show exactly the top-left corner of what a large one shows.
TEST_P(StatusLogClipping, SmallPictureIsTheCornerOfALargeOne)
{
    const ClipCase& c = GetParam();
    const std::string text = "Exception: Graphics Card not supported gjpq";
    StatusLog small(100, 40), large(300, 80);
    for (StatusLog* log : {&small, &large}) {
        moveToLine(*log, c.line);
        log->write(c.x, text, kLogFail, true);
    }
    ASSERT_EQ(small.rgb().size(), 100u * 40u * 3u);
    bool any = false;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 100; ++x) {
            ASSERT_TRUE(pixel(small, x, y) == pixel(large, x, y)) << x << "," << y;
            any = any || !isBlack(pixel(small, x, y));
        }
    EXPECT_TRUE(any) << "the case should leave some ink in the small picture";
}

INSTANTIATE_TEST_SUITE_P(Edges, StatusLogClipping,
                         ::testing::Values(ClipCase{1, 90},     // past the right edge
                                           ClipCase{2, 10},     // past the bottom edge
                                           ClipCase{2, 85},     // both
                                           ClipCase{1, -20}));  // starting left of the picture

TEST(StatusLog, WritesWhollyOutsideChangeNothing)
{
    StatusLog log(100, 40);
    log.write(100, "beyond the right edge", kLogWhite, false);
    log.write(INT_MAX - 3, "far right", kLogWhite, false);
    log.write(INT_MIN + 3, "far left", kLogWhite, true);
    moveToLine(log, 3);   // top at 48, below the picture
    log.write(0, "below", kLogWhite, true);
    log.write(0, "further below", kLogWhite, true);
    EXPECT_TRUE(allBlack(log));
    EXPECT_EQ(log.pieces().size(), 5u);
    EXPECT_EQ(log.line(), 5);
}

TEST(StatusLog, ZeroSizedPictureTakesWrites)
{
    StatusLog log(0, 0);
    log.write(16, "Initializing OpenGL...", kLogWhite, true);
    log.skipLine();
    EXPECT_TRUE(log.rgb().empty());
    EXPECT_EQ(log.line(), 3);
    EXPECT_EQ(log.textLines(), (std::vector<std::string>{"Initializing OpenGL...", ""}));

    StatusLog negative(-5, 20);
    EXPECT_EQ(negative.width(), 0);
    EXPECT_TRUE(negative.rgb().empty());
    negative.write(0, "x", kLogWhite, true);
    EXPECT_EQ(negative.pieces().size(), 1u);
}

TEST(StatusLog, TextLinesJoinPiecesInXOrderAndKeepEmptyLines)
{
    StatusLog log(800, 200);
    EXPECT_TRUE(log.textLines().empty());
    log.write(16, "CPU", kLogWhite, false);
    EXPECT_EQ(log.textLines(), (std::vector<std::string>{"CPU"}));
    log.write(400, "2400 MHz", kLogPass, true);
    log.skipLine();
    // Written right to left, listed left to right.
    log.write(400, "ok", kLogPass, false);
    log.write(48, "GL_ARB_multitexture", kLogWhite, true);
    log.write(16, "Exception: Graphics Card not supported", kLogFail, true);
    log.skipLine();
    EXPECT_EQ(log.textLines(),
              (std::vector<std::string>{"CPU 2400 MHz", "", "GL_ARB_multitexture ok",
                                        "Exception: Graphics Card not supported", ""}));
}

}  // namespace

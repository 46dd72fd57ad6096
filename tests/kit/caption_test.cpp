// Captions: the font's cell map, the fade, the glyph layout captured with GL feedback, the state
// left behind and the typing sounds on slots 0 and 1 (an unopened sound device, mixed by hand).
#include "kit/caption.h"

#include "assets/bitmap.h"
#include "assets/dsound.h"
#include "assets/texture.h"
#include "glview/glv.h"
#include "platform/sound.h"
#include "scene/state.h"

#include "../glview/gl_fixture.h"
#include "../scene/feedback.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

TEST(CaptionCell, MapsTheFontCharacters)
{
    const struct { char c; int cell; } cases[] = {
        {'1', 0}, {'5', 4}, {'9', 8}, {'0', 9}, {'a', 10}, {'m', 22}, {'z', 35},
        {':', 56}, {',', 58}, {'.', 59}, {'-', 60},
        {' ', -1}, {'A', -1}, {'Z', -1}, {'!', -1}, {';', -1}, {'/', -1}, {'\xe9', -1},
    };
    for (const auto& c : cases) EXPECT_EQ(captionCell(c.c), c.cell) << "character '" << c.c << "'";
}

TEST(CaptionCell, UsesOnlyTheDocumentedCells)
{
    std::set<int> used;
    for (int c = 0; c < 256; ++c) {
        const int cell = captionCell(static_cast<char>(c));
        if (cell >= 0) used.insert(cell);
    }
    std::set<int> expected;
    for (int cell = 0; cell <= 35; ++cell) expected.insert(cell);
    expected.insert({56, 58, 59, 60});
    EXPECT_EQ(used, expected);
}

TEST(CaptionAlpha, HoldsThenFadesOverTenCharacters)
{
    const struct { float typed; size_t length; float alpha; } cases[] = {
        {0.0f, 27, 1.0f},   {-5.0f, 27, 1.0f}, {27.0f, 27, 1.0f}, {117.0f, 27, 1.0f},
        {122.0f, 27, 0.5f}, {126.0f, 27, 0.1f}, {127.0f, 27, 0.0f}, {500.0f, 27, 0.0f},
        {93.0f, 3, 1.0f},   {98.0f, 3, 0.5f},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(captionAlpha(c.typed, c.length), c.alpha, 1e-5f) << "typed " << c.typed << " of " << c.length;
    EXPECT_EQ(captionAlpha(std::nanf(""), 3), 0.0f);
}

// A glyph found in the feedback: its character position, cell, and what it looked like.
struct Glyph {
    int position;
    int cell;
    float width, height;   // scene units
    float bottom;          // scene units
    float alpha;
};

class CaptionTest : public GLFixture {
protected:
    static constexpr double kHalfHeight = 1.3057;   // 2.8 × tan 25°: the view's half height at z = 0
    static constexpr double kAspect = 4.0 / 3.0;

    void SetUp() override
    {
        GLFixture::SetUp();
        fetchExtensionEntryPoints();
        ASSERT_NE(activeTextureARB, nullptr);
        Bitmap white(256, 4);
        std::fill(white.pixels.begin(), white.pixels.end(), 255);
        font = std::make_unique<Texture>(&white, true, 1);
        fontTexture = font.get();
        soundPlayer = nullptr;
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(50.0, kAspect, 0.1, 100.0);   // the scene's projection on a 4:3 screen
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_BLEND);
    }

    void TearDown() override
    {
        fontTexture = nullptr;
        soundPlayer = nullptr;
        font.reset();
        GLFixture::TearDown();
    }

    // Scene coordinates of a window position on the caption plane (z = 0).
    static double sceneX(float wx) { return (wx / (kSize / 2.0) - 1.0) * kHalfHeight * kAspect; }
    static double sceneY(float wy) { return (wy / (kSize / 2.0) - 1.0) * kHalfHeight; }

    std::vector<Glyph> glyphs(const char* text, float typed, bool atTop)
    {
        const auto polygons = capturePolygons([&] { drawCaption(text, typed, atTop); });
        const double left = atTop ? -1.68 : -1.62;
        std::vector<Glyph> found;
        std::set<std::pair<int, int>> seen;   // a quad may come back as two triangles
        for (const FeedbackPolygon& polygon : polygons) {
            float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f, minS = 1e9f;
            for (const FeedbackVertex& v : polygon) {
                minX = std::min(minX, v.x);
                maxX = std::max(maxX, v.x);
                minY = std::min(minY, v.y);
                maxY = std::max(maxY, v.y);
                minS = std::min(minS, v.s);
            }
            const int position = static_cast<int>(std::lround((sceneX(minX) - left) / 0.04));
            const int cell = static_cast<int>(std::lround(minS * 64));
            if (!seen.insert({position, cell}).second) continue;
            found.push_back({position, cell, static_cast<float>(sceneX(maxX) - sceneX(minX)),
                             static_cast<float>(sceneY(maxY) - sceneY(minY)), static_cast<float>(sceneY(minY)),
                             polygon[0].a});
        }
        std::sort(found.begin(), found.end(), [](const Glyph& a, const Glyph& b) { return a.position < b.position; });
        return found;
    }

    std::unique_ptr<Texture> font;
};

TEST_F(CaptionTest, DrawsTheTypedCellsAtTheirPositions)
{
    const struct {
        const char* text;
        float typed;
        std::vector<std::pair<int, int>> drawn;   // position, cell
    } cases[] = {
        {"abc", 2.9f, {{0, 10}, {1, 11}}},
        {"abc", 3.0f, {{0, 10}, {1, 11}, {2, 12}}},
        {"abc", 50.0f, {{0, 10}, {1, 11}, {2, 12}}},
        {"abc", 0.0f, {}},
        {"abc", -3.0f, {}},
        {"Abc", 3.0f, {{1, 11}, {2, 12}}},                     // capitals keep their place
        {"a b", 3.0f, {{0, 10}, {2, 11}}},                     // so do spaces
        {"10:5,-.", 7.0f, {{0, 0}, {1, 9}, {2, 56}, {3, 4}, {4, 58}, {5, 60}, {6, 59}}},
    };
    for (const auto& c : cases) {
        std::vector<std::pair<int, int>> drawn;
        for (const Glyph& g : glyphs(c.text, c.typed, false)) drawn.push_back({g.position, g.cell});
        EXPECT_EQ(drawn, c.drawn) << "\"" << c.text << "\" typed " << c.typed;
    }
}

TEST_F(CaptionTest, GlyphsAreMonospacedCellsOnTheChosenLine)
{
    for (bool atTop : {false, true}) {
        const std::vector<Glyph> found = glyphs("xyz", 3.0f, atTop);
        ASSERT_EQ(found.size(), 3u) << "atTop " << atTop;
        for (const Glyph& g : found) {
            EXPECT_NEAR(g.width, 0.04f, 1e-3f) << "atTop " << atTop;
            EXPECT_NEAR(g.height, 0.08f, 1e-3f) << "atTop " << atTop;
            EXPECT_NEAR(g.bottom, atTop ? 1.2f : -1.2f, 1e-3f) << "atTop " << atTop;
        }
    }
}

TEST_F(CaptionTest, GlyphsCarryTheFadeAlpha)
{
    // 27 characters: opaque to 117, half at 122, gone at 127.
    const char* text = "fiji islands, pacific ocean";
    ASSERT_EQ(std::strlen(text), 27u);
    for (const auto& c : std::vector<std::pair<float, float>>{{27.0f, 1.0f}, {117.0f, 1.0f}, {122.0f, 0.5f}, {127.0f, 0.0f}}) {
        const std::vector<Glyph> found = glyphs(text, c.first, false);
        ASSERT_EQ(found.size(), 24u) << "typed " << c.first;   // 27 less the 3 spaces
        for (const Glyph& g : found) EXPECT_NEAR(g.alpha, c.second, 1.0f / 255) << "typed " << c.first;
    }
}

TEST_F(CaptionTest, LeavesTheStateItPromises)
{
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    activeTextureARB(GL_TEXTURE1_ARB);
    glEnable(GL_TEXTURE_2D);
    activeTextureARB(GL_TEXTURE0_ARB);
    glMatrixMode(GL_TEXTURE);
    glScalef(2.0f, 3.0f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1.0f, 2.0f, 3.0f);
    GLfloat before[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);

    drawCaption("abc", 110.0f, true);   // alpha 10 − (110 − 3) × 0.1 = −0.7 → 0
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    GLint value = 0;
    glGetIntegerv(GL_BLEND_SRC, &value);
    EXPECT_EQ(value, GL_SRC_ALPHA);
    glGetIntegerv(GL_BLEND_DST, &value);
    EXPECT_EQ(value, GL_ONE);
    glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &value);
    EXPECT_EQ(value, GL_TEXTURE1_ARB);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D)) << "unit 1";
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_MODELVIEW);
    GLfloat after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(after[i], before[i]) << "modelview element " << i;
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[3], 0.0f);

    activeTextureARB(GL_TEXTURE0_ARB);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D)) << "unit 0";
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(static_cast<GLuint>(value), font->textureName);
    GLfloat texture[16];
    glGetFloatv(GL_TEXTURE_MATRIX, texture);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(texture[i], (i % 5 == 0) ? 1.0f : 0.0f) << "texture matrix element " << i;
}

// Typing sounds on a device that is not opened: the test mixes it itself, so a stop's short
// fade-out can be run to its end.
class CaptionSoundTest : public CaptionTest {
protected:
    void SetUp() override
    {
        CaptionTest::SetUp();
        player.device = new SoundDevice();
        const PcmFormat format{1, 16, 22050};
        const std::vector<int16_t> samples(22050, 3000);
        for (int slot : {0, 1}) {
            DSound::Slot& s = player.slots[slot];
            s.buffer = player.device->createBuffer(format, samples.data(), static_cast<uint32_t>(samples.size() * 2));
            ASSERT_GE(s.buffer, 0);
            s.format = std::make_unique<WaveFormat>(pcmWaveFormat(1, 16, 22050));
        }
        soundPlayer = &player;
    }

    // Runs the mixer long enough for any fade to finish, then reports slot 0 and 1.
    std::pair<bool, bool> playing()
    {
        std::vector<float> out(2 * 4800);
        player.device->mix(out.data(), 4800);
        return {player.device->isPlaying(player.slots[0].buffer), player.device->isPlaying(player.slots[1].buffer)};
    }

    DSound player;
};

TEST_F(CaptionSoundTest, TypesWhileLettersAppearAndPausesAtSpaces)
{
    // One caption typed on: each step's count, and whether the typing runs afterwards.
    const struct { float typed; bool running; } steps[] = {
        {0.0f, false},    // nothing typed yet: left alone (stopped since set-up)
        {1.0f, true},     // "a" shown, "b" next
        {1.5f, true},
        {2.0f, false},    // "ab" shown, the space next
        {2.9f, false},
        {3.0f, true},     // "c" next
        {4.0f, true},     // all shown, the NUL next: still typing
        {4.9f, true},
        {5.0f, false},    // past the end
        {-2.0f, false},   // negative: changes nothing
        {3.0f, true},
        {-2.0f, true},    // ... also when running
        {0.0f, true},     // nor does a count of 0 before a letter
    };
    for (const auto& s : steps) {
        drawCaption("ab c", s.typed, false);
        const auto running = playing();
        EXPECT_EQ(running.first, s.running) << "slot 0 after typed " << s.typed;
        EXPECT_EQ(running.second, s.running) << "slot 1 after typed " << s.typed;
    }
}

TEST_F(CaptionSoundTest, WithoutAPlayerDrawsTheSameAndPlaysNothing)
{
    const auto withSound = glyphs("abc", 2.0f, false);
    EXPECT_TRUE(playing().first);
    drawCaption("abc", 9.0f, false);
    EXPECT_FALSE(playing().first);

    soundPlayer = nullptr;
    const auto silent = glyphs("abc", 2.0f, false);
    EXPECT_FALSE(playing().first) << "no player: no call reaches slot 0";
    ASSERT_EQ(silent.size(), withSound.size());
    for (size_t i = 0; i < silent.size(); ++i) {
        EXPECT_EQ(silent[i].position, withSound[i].position);
        EXPECT_EQ(silent[i].cell, withSound[i].cell);
    }
}

}  // namespace

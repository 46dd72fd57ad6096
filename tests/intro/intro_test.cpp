// The logo intro on real GL (Mesa under Xvfb) and a simulated tick count: its clock, its end, the
// respawn rule of the particles, and what a missing archive or picture does. The archives are
// written by the tests with the packer's writer, into a folder made the current directory.
#include "intro/intro.h"

#include "jpegencode.h"
#include "window_probe.h"

#include "assets/datfile.h"
#include "assets/datformat.h"
#include "glview/glv.h"

#include "platform/application.h"
#include "platform/clock.h"
#include "platform/exception.h"
#include "platform/system.h"
#include "platform/window.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

Bitmap solid(int width, int height, uint8_t level)
{
    Bitmap b(width, height);
    std::fill(b.pixels.begin(), b.pixels.end(), level);
    return b;
}

// The logo of these tests: white in its top half, black in its bottom half, so a particle's
// height alone says whether the line is over a bright part.
Bitmap halfBrightLogo()
{
    Bitmap b(512, 256);
    for (int y = 0; y < 128; ++y) std::fill(b.row(y), b.row(y) + b.stride(), 255);
    return b;
}

void writeArchive(const std::string& path, const std::vector<std::pair<std::string, Bitmap>>& images)
{
    std::vector<DatEntry> entries;
    for (const auto& [name, picture] : images) entries.push_back({name, encodeJpeg(picture, 95)});
    const std::vector<uint8_t> bytes = writeDatArchive(entries);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

GLint attribDepth()
{
    GLint depth = -1;
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth);
    return depth;
}

class IntroTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(app.openDisplay()) << "no display";
        GLPixelRequest pixels;
        pixels.alphaBits = 8;
        window = std::make_unique<SaverWindow>(app, "intro test", pixels, 64, 64);
        window->show();
        view = std::make_unique<GLV>(window.get(), 1);
        app.processMessages();

        static int run = 0;
        folder = fs::temp_directory_path() / ("caldrise-intro-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" + std::to_string(++run));
        fs::create_directories(folder);
        previousDirectory = currentDirectory();
        ASSERT_TRUE(setCurrentDirectory(folder.string()));

        clock.install();
        // The intro runs once per process and keeps its end values; every test starts afresh.
        introClock = 0;
        introLastTick = 0;
        logoAlpha = 1;
    }

    void TearDown() override
    {
        if (logoArchive) {   // a test that stopped half-way: let the intro end now
            introClock = 100;
            introFrame();
        }
        setTickSource({});
        probe.reset();
        setCurrentDirectory(previousDirectory);
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        view.reset();
        window.reset();
    }

    void writeFullArchive(const Bitmap& logo)
    {
        writeArchive("logo.dat", {{"logo1.bmp", logo}, {"smoke.bmp", solid(64, 64, 128)}, {"shine.bmp", solid(64, 64, 200)}});
    }

    // Magenta painted into the window behind GL's back: a present replaces it.
    static constexpr uint32_t kMark = 0xff00ff;
    void markWindow()
    {
        glFinish();
        probe->fill(kMark);
    }
    bool windowIsMarked()
    {
        glFinish();
        return probe->pixel(32, 32) == kMark;
    }
    void openProbe()
    {
        probe = std::make_unique<WindowProbe>(window->sdlWindow());
        ASSERT_TRUE(probe->ok()) << "the saver window is no X window";
    }

    std::unique_ptr<WindowProbe> probe;
    Application app;
    std::unique_ptr<SaverWindow> window;
    std::unique_ptr<GLV> view;
    SimulatedClock clock{5000};
    fs::path folder;
    std::string previousDirectory;
};

TEST_F(IntroTest, FirstFrameTakesTheFixedStepWhateverTheStartTook)
{
    writeFullArchive(halfBrightLogo());
    introStart(view.get());
    clock.advance(777);   // a slow start counts for nothing
    ASSERT_EQ(introFrame(), 1);
    EXPECT_FLOAT_EQ(introClock, 0.01f) << "first step";
    EXPECT_EQ(introLastTick, 5777u) << "the tick of the first frame is kept";
}

TEST_F(IntroTest, ClockGainsOneUnitPer1200Milliseconds)
{
    writeFullArchive(halfBrightLogo());
    introStart(view.get());
    ASSERT_EQ(introFrame(), 1);
    const struct {
        uint32_t ms;
        float clockAfter;
    } steps[] = {{1200, 1.01f}, {600, 1.51f}, {0, 1.51f}, {12, 1.52f}, {2400, 3.52f}};
    for (const auto& step : steps) {
        clock.advance(step.ms);
        ASSERT_EQ(introFrame(), 1);
        EXPECT_NEAR(introClock, step.clockAfter, 1e-5) << "after a step of " << step.ms << " ms";
        EXPECT_EQ(introLastTick, clock.now());
    }
}

TEST_F(IntroTest, EndsPastTenReleasingEverythingWithoutPresenting)
{
    writeFullArchive(halfBrightLogo());
    GLint activeBefore = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &activeBefore);
    const GLint depthBefore = attribDepth();
    const bool blendBefore = glIsEnabled(GL_BLEND);

    openProbe();
    introStart(view.get());
    EXPECT_EQ(attribDepth(), depthBefore + 1) << "the attribute state is saved";
    EXPECT_TRUE(glIsEnabled(GL_BLEND)) << "the intro adds everything it draws";

    // 120 ms a frame: 0.1 intro clock units.
    int frames = 0;
    for (;;) {
        clock.advance(120);
        const float before = introClock;
        if (before + 0.1f > 10.0f + 1e-4f) break;   // the next call is the one that ends it
        markWindow();
        ASSERT_EQ(introFrame(), 1) << "at intro clock " << introClock;
        ASSERT_FALSE(windowIsMarked()) << "a running frame is presented (at clock " << introClock << ")";
        ASSERT_LE(++frames, 200);
    }
    EXPECT_NE(logoArchive, nullptr);

    // The last running frame's picture reaches the server through GL's own connection; let it
    // land before marking, or it could overwrite the mark after the fact.
    glFinish();
    sleepMs(200);
    markWindow();
    EXPECT_EQ(introFrame(), 0) << "at intro clock " << introClock;
    EXPECT_GT(introClock, 10.0f);
    EXPECT_TRUE(windowIsMarked()) << "the ending call presented its frame";
    EXPECT_EQ(logoArchive, nullptr);
    EXPECT_EQ(logoTexture, nullptr);
    EXPECT_EQ(smokeTexture, nullptr);
    EXPECT_EQ(shineTexture, nullptr);
    EXPECT_EQ(attribDepth(), depthBefore) << "the saved attribute state is restored";
    EXPECT_EQ(static_cast<bool>(glIsEnabled(GL_BLEND)), blendBefore);
    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE0);
    EXPECT_EQ(active, activeBefore);

    const float endClock = introClock;
    clock.advance(120);
    EXPECT_EQ(introFrame(), 0) << "an ended intro stays ended";
    EXPECT_EQ(introClock, endClock) << "and keeps its clock";
}

// A particle respawns on the sweep line at a random height; it lives only where the logo under
// it is bright (the top half of this logo), rows clamped at the picture's edges; elsewhere it
// stays free and is placed on the line again the next frame.
TEST_F(IntroTest, ParticlesRespawnOnlyOverBrightLogoPixels)
{
    writeFullArchive(halfBrightLogo());
    introStart(view.get());

    int bornBright = 0, deadOverDark = 0, triedAgain = 0, beyondEdges = 0;
    std::vector<bool> freeLastFrame(kIntroSparks, false);
    float sparkLifeBefore[kIntroSparks];
    float puffLifeBefore[kIntroPuffs];
    bool first = true;
    for (;;) {
        std::copy(sparkLives, sparkLives + kIntroSparks, sparkLifeBefore);
        std::copy(puffLives, puffLives + kIntroPuffs, puffLifeBefore);
        if (!first) clock.advance(33);
        const float dt = first ? 0.01f : 33.0f / 1200.0f;
        ASSERT_EQ(introFrame(), 1);
        const float k = 100 * dt;
        const float s = std::fmin(0.2f * introClock - 0.5f, 0.5f);
        if (s >= 0.4f) break;   // respawning has stopped
        for (int i = 0; i < kIntroSparks; ++i) {
            const bool wasFree = !(sparkLifeBefore[i] >= 0.1f);
            if (!wasFree) {
                freeLastFrame[i] = false;
                continue;
            }
            const Vector3D spawn = sparkPositions[i] - sparkVelocities[i] * (0.16f * k);
            EXPECT_NEAR(spawn.x, s + 0.02f, 1e-4) << "spark " << i << " respawns on the line";
            if (std::fabs(spawn.y) > 0.2f) ++beyondEdges;
            if (spawn.y > 0.01f) {
                EXPECT_NEAR(sparkLives[i], 1 - 0.015f * k, 1e-5) << "spark " << i << " over bright logo at y " << spawn.y;
                ++bornBright;
            } else if (spawn.y < -0.01f) {
                EXPECT_LT(sparkLives[i], 0.1f) << "spark " << i << " over dark logo at y " << spawn.y;
                ++deadOverDark;
                if (freeLastFrame[i]) ++triedAgain;
            }
            freeLastFrame[i] = sparkLives[i] < 0.1f;
        }
        for (int i = 0; i < kIntroPuffs; ++i) {
            if (puffLifeBefore[i] >= 0.1f) continue;
            const Vector3D spawn = puffPositions[i] - puffVelocities[i] * (0.2f * k);
            EXPECT_NEAR(spawn.x, s + 0.02f, 1e-4) << "puff " << i;
            EXPECT_EQ(puffPositions[i].z, 0.0f) << "puffs stay in the logo plane";
            if (spawn.y > 0.01f) {
                EXPECT_NEAR(puffLives[i], 1 - 0.015f * k, 1e-5) << "puff " << i << " at y " << spawn.y;
            } else if (spawn.y < -0.01f) {
                EXPECT_LT(puffLives[i], 0.1f) << "puff " << i << " at y " << spawn.y;
            }
        }
        first = false;
    }
    EXPECT_GT(bornBright, 100) << "sparks born over the bright half";
    EXPECT_GT(deadOverDark, 100) << "sparks left free over the dark half";
    EXPECT_GT(triedAgain, 10) << "free sparks placed on the line again on the next frame";
    EXPECT_GT(beyondEdges, 10) << "heights beyond the picture's edges sample its edge rows";
}

TEST_F(IntroTest, NothingRespawnsOverABlackLogo)
{
    writeFullArchive(solid(512, 256, 0));
    introStart(view.get());
    ASSERT_EQ(introFrame(), 1);
    // Starting lives last at most 1 / (0.015 · 2.75) frames of 33 ms; after that nobody lives.
    for (int frame = 0; frame < 60; ++frame) {
        clock.advance(33);
        ASSERT_EQ(introFrame(), 1);
    }
    for (int i = 0; i < kIntroSparks; ++i) ASSERT_LT(sparkLives[i], 0.1f) << "spark " << i;
    for (int i = 0; i < kIntroPuffs; ++i) ASSERT_LT(puffLives[i], 0.1f) << "puff " << i;
}

TEST_F(IntroTest, LogoFadesByAHundredthPerDrawnFrameAfterSeven)
{
    writeFullArchive(halfBrightLogo());
    introStart(view.get());
    ASSERT_EQ(introFrame(), 1);
    while (introClock <= 7.05f) {
        clock.advance(120);
        ASSERT_EQ(introFrame(), 1);
    }
    for (uint32_t ms : {10u, 300u, 33u}) {
        const float before = logoAlpha;
        clock.advance(ms);
        ASSERT_EQ(introFrame(), 1);
        EXPECT_NEAR(logoAlpha, before - 0.01f, 1e-6) << "after a step of " << ms << " ms";
    }
}

TEST_F(IntroTest, MissingArchiveRaisesTheOpenErrorAndCanBeRetried)
{
    const GLint depthBefore = attribDepth();
    try {
        introStart(view.get());
        FAIL() << "no error without logo.dat";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Cannot open file logo.dat");
    }
    EXPECT_EQ(attribDepth(), depthBefore) << "a failed start leaves the attribute stack as it was";
    EXPECT_EQ(logoArchive, nullptr);

    writeFullArchive(halfBrightLogo());
    introStart(view.get());   // the pump's next try
    EXPECT_EQ(attribDepth(), depthBefore + 1);
    EXPECT_EQ(introFrame(), 1);
}

TEST_F(IntroTest, MissingPictureEndsTheIntroWithTheReasonOnStderr)
{
    const char* names[] = {"logo1.bmp", "smoke.bmp", "shine.bmp"};
    for (const char* missing : names) {
        std::vector<std::pair<std::string, Bitmap>> images;
        for (const char* name : names)
            if (std::string(name) != missing) images.push_back({name, solid(64, 64, 100)});
        writeArchive("logo.dat", images);
        const GLint depthBefore = attribDepth();

        ::testing::internal::CaptureStderr();
        EXPECT_NO_THROW(introStart(view.get())) << "without " << missing;
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find(missing), std::string::npos) << "stderr names " << missing << ": " << err;

        EXPECT_EQ(introFrame(), 0) << "without " << missing << " the show goes on with the scene";
        EXPECT_EQ(logoArchive, nullptr);
        EXPECT_EQ(logoTexture, nullptr);
        EXPECT_EQ(smokeTexture, nullptr);
        EXPECT_EQ(shineTexture, nullptr);
        EXPECT_EQ(attribDepth(), depthBefore) << "without " << missing;
    }
}

}  // namespace

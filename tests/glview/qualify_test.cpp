#include "gl_fixture.h"

#include "glview/glv.h"
#include "glview/qualify.h"

#include "platform/screen.h"

#include <deque>

namespace {

TEST(ModeSearch, ThreePasses)
{
    const std::vector<DisplayMode> modes = {
        {1024, 768, 32, 75}, {800, 600, 16, 60}, {800, 600, 32, 72}, {800, 600, 32, 85}, {640, 480, 16, 60},
    };
    const auto enumerate = [&](int i, DisplayMode& m) {
        if (i >= static_cast<int>(modes.size())) return false;
        m = modes[i];
        return true;
    };
    struct Case { DisplayMode request; bool found; DisplayMode logged; DisplayMode match; };
    const Case cases[] = {
        {{800, 600, 32, 85}, true, {800, 600, 32, 85}, {800, 600, 32, 85}},   // exact
        {{800, 600, 32, 100}, true, {800, 600, 32, 60}, {800, 600, 32, 72}},  // no such rate: 60 shown
        {{640, 480, 32, 60}, true, {640, 480, 16, 60}, {640, 480, 16, 60}},   // no such depth
        {{1280, 1024, 32, 60}, false, {1280, 1024, 32, 60}, {}},              // no such size
    };
    for (const Case& c : cases) {
        DisplayMode request = c.request, match;
        EXPECT_EQ(findDisplayMode(request, match, enumerate), c.found) << request.width << "x" << request.height;
        EXPECT_EQ(request.bitsPerPixel, c.logged.bitsPerPixel);
        EXPECT_EQ(request.frequency, c.logged.frequency);
        if (c.found) {
            EXPECT_EQ(match.bitsPerPixel, c.match.bitsPerPixel);
            EXPECT_EQ(match.frequency, c.match.frequency) << "the enumerated mode keeps its own rate";
        }
    }
}

class QualifyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<SaverWindow>(app, "qualify test", GLPixelRequest{}, 640, 480);
        window->show();
        app.processMessages();
        requirements.minCpuMHz = 400;
        requirements.minRamMb = 64;
        requirements.minTextureSize = 1024;
        requirements.minTextureUnits = 2;
        requirements.minTriangleRate = 8000;
        requirements.extensions = {"GL_EXT_texture_object", "GL_NV_register_combiners", "GL_ARB_multitexture"};
    }
    void TearDown() override
    {
        closeView(view);
        window.reset();
    }

    // A machine whose counter returns the given readings in turn: two for the read overhead,
    // two around the one-second sleep, two around the triangle batch.
    static MachineProbe scripted(std::vector<uint64_t> readings, uint32_t memory = 512u << 20)
    {
        auto queue = std::make_shared<std::deque<uint64_t>>(readings.begin(), readings.end());
        return {[queue] {
                    const uint64_t v = queue->empty() ? 0 : queue->front();
                    if (!queue->empty()) queue->pop_front();
                    return v;
                },
                [](uint32_t) {}, [memory] { return memory; }};
    }
    // `mhz` over the sleep, a batch of `micros` microseconds, no read overhead.
    static MachineProbe clockAt(uint64_t cyclesPerSecond, uint64_t batchCycles, uint32_t memory = 512u << 20)
    {
        return scripted({0, 0, 10, 10 + cyclesPerSecond, 100, 100 + batchCycles}, memory);
    }

    bool run(const MachineProbe& machine)
    {
        closeView(view);
        view = nullptr;
        DisplayMode mode;
        rate = 0;
        return qualifyMachine(&view, *window, requirements, mode, rate, machine);
    }
    std::vector<std::string> lines() { return lastStatusLogLines(); }

    Application app;
    std::unique_ptr<SaverWindow> window;
    SaverRequirements requirements;
    GLV* view = nullptr;
    int32_t rate = 0;
};

TEST_F(QualifyTest, ThisMachinePassesOnItsRealMeasurements)
{
    ASSERT_TRUE(run(realMachine())) << ::testing::PrintToString(lines());
    ASSERT_NE(view, nullptr);
    EXPECT_GE(rate, 8000);
    const auto l = lines();
    ASSERT_GE(l.size(), 15u);
    EXPECT_EQ(l[0], "Using desktop resolution");
    EXPECT_EQ(l[1], "Initializing OpenGL...");
    EXPECT_EQ(l[2], "Detecting Hardware...");
    EXPECT_EQ(l[3].substr(0, 4), "CPU ");
    EXPECT_EQ(l[4].substr(0, 4), "RAM ");
    EXPECT_EQ(l[5], "OpenGL " + view->version + " (" + view->renderer + " " + view->vendor + ")");
    EXPECT_EQ(l[6], "Checking required extensions...");
    EXPECT_EQ(l[7], "GL_EXT_texture_object ok");
    EXPECT_EQ(l[8], "GL_NV_register_combiners ok");
    EXPECT_EQ(l[9], "GL_ARB_multitexture ok");
    EXPECT_EQ(l[10], "Checking required specs...");
    EXPECT_EQ(l[11].substr(0, 17), "Max Texture Size ");
    EXPECT_EQ(l[12].substr(0, 14), "Texture Units ");
    EXPECT_EQ(l[13], "Testing graphics performance...");
    EXPECT_EQ(l[14], "K Triangles/sec " + std::to_string(rate));
    EXPECT_FALSE(window->hasPicture()) << "a passing log is discarded unseen";
}

TEST_F(QualifyTest, MeasurementsAndTheirVerdicts)
{
    struct Case {
        const char* what;
        MachineProbe machine;
        int32_t minRate;
        bool passes;
        int line;                 // index of the line to check
        std::string text;
        std::string last;         // the last line ("" when passing)
    };
    const uint64_t GHz = 1000000000;
    const Case cases[] = {
        {"1000 MHz", clockAt(GHz, GHz / 1000), 8000, true, 14, "K Triangles/sec 10000000", ""},
        {"1000 MHz shows as such", clockAt(GHz, GHz), 8000, true, 3, "CPU 1000 MHz", ""},
        {"1004 MHz reads as 1000", clockAt(1004000000, GHz), 8000, true, 3, "CPU 1000 MHz", ""},
        {"50 MHz cannot be measured and passes", clockAt(50000000, 50000000), 8000, true, 3, "CPU ???", ""},
        {"a slow processor", clockAt(300000000, GHz), 8000, false, 3, "CPU 300 MHz",
         "Exception: Required hardware not found"},
        {"64 MB of memory reads as 62", clockAt(GHz, GHz, 67108864u), 8000, false, 4, "RAM 62 Mb", "Exception: Not enough RAM"},
        {"1.25 s for the batch gives 8000", clockAt(GHz, 1250000000ull), 8000, true, 14, "K Triangles/sec 8000", ""},
        {"too slow", clockAt(GHz, 1250000000ull), 8001, false, 14, "K Triangles/sec 8000",
         "Exception: Graphics performance test failed"},
        {"a zero clock", clockAt(0, GHz), 8000, false, 3, "CPU ???", "Exception: Division by zero"},
        {"a batch of no time", clockAt(GHz, 0), 8000, false, 13, "Testing graphics performance...",
         "Exception: Division by zero"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        requirements.minTriangleRate = c.minRate;
        EXPECT_EQ(run(c.machine), c.passes);
        const auto l = lines();
        ASSERT_GT(l.size(), static_cast<size_t>(c.line));
        EXPECT_EQ(l[c.line], c.text);
        if (!c.last.empty()) {
            EXPECT_EQ(l[l.size() - 2], "") << "a line is skipped before the exception";
            EXPECT_EQ(l.back(), c.last);
        } else if (c.passes) {
            EXPECT_EQ(l.back().substr(0, 16), "K Triangles/sec ");
        }
    }
}

TEST_F(QualifyTest, AMissingExtensionStopsTheChecksThere)
{
    requirements.extensions = {"GL_EXT_texture_object", "GL_CALDRISE_imaginary", "GL_ARB_multitexture"};
    EXPECT_FALSE(run(clockAt(1000000000, 1000000)));
    const auto l = lines();
    ASSERT_EQ(l.size(), 11u) << ::testing::PrintToString(l);
    EXPECT_EQ(l[7], "GL_EXT_texture_object ok");
    EXPECT_EQ(l[8], "GL_CALDRISE_imaginary failed");
    EXPECT_EQ(l[9], "");
    EXPECT_EQ(l[10], "Exception: Graphics Card not supported");
    EXPECT_NE(view, nullptr) << "the view stays for FormDestroy to close";
}

TEST_F(QualifyTest, TextureLimitsBelowTheMinimumFail)
{
    requirements.minTextureSize = 1 << 30;
    EXPECT_FALSE(run(clockAt(1000000000, 1000000)));
    auto l = lines();
    EXPECT_EQ(l.back(), "Exception: Graphics Card not supported");
    EXPECT_EQ(l[11].substr(0, 17), "Max Texture Size ");

    requirements.minTextureSize = 1024;
    requirements.minTextureUnits = 1000;
    EXPECT_FALSE(run(clockAt(1000000000, 1000000)));
    l = lines();
    EXPECT_EQ(l[12].substr(0, 14), "Texture Units ");
    EXPECT_EQ(l.back(), "Exception: Graphics Card not supported");
}

TEST_F(QualifyTest, AFailingLogIsShownOnTheWindow)
{
    requirements.minTriangleRate = 0x7FFFFFFF;
    ASSERT_FALSE(run(clockAt(1000000000, 1000000000)));
    ASSERT_TRUE(window->hasPicture());
    window->repaint();
    app.processMessages();
    int width = 0, height = 0;
    std::vector<uint8_t> screen;
    ASSERT_TRUE(captureDesktop(width, height, screen));
    // The window sits at the screen's top left: count coloured pixels per log line band.
    const auto count = [&](int line, auto match) {
        int n = 0;
        for (int y = 16 * line; y < 16 * line + 16 && y < height; ++y) {
            for (int x = 0; x < 640 && x < width; ++x) {
                const uint8_t* p = &screen[(static_cast<size_t>(y) * width + x) * 3];   // blue, green, red
                if (match(p[2], p[1], p[0])) ++n;
            }
        }
        return n;
    };
    const auto orange = [](int r, int g, int b) { return r > 200 && g > 120 && g < 220 && b < 170 && r > b + 60; };
    const auto white = [](int r, int g, int b) { return r > 200 && g > 200 && b > 200; };
    const auto lit = [](int r, int g, int b) { return r + g + b > 30; };
    const int lineCount = static_cast<int>(lines().size());
    EXPECT_GT(count(1, white), 20) << "line 1 holds the first message in white";
    EXPECT_GT(count(lineCount, orange), 20) << "the exception line is orange";
    EXPECT_EQ(count(lineCount + 2, lit), 0) << "below the log the window stays black";
    EXPECT_EQ(count(0, lit), 0) << "nothing is drawn above line 1";
}

}  // namespace

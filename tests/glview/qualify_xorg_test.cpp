// The mode search and switch of the qualification on a server that really has several modes
// (Xorg with the dummy driver: 1280x1024@60 desktop, 1024x768@75/60, 800x600@72/60, 640x480@60).
#include "glview/glv.h"
#include "glview/qualify.h"

#include "platform/application.h"
#include "platform/exception.h"
#include "platform/window.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace {

MachineProbe quickMachine()
{
    // A 1 GHz processor whose batch takes 1 ms: no real sleep, so the cases run fast.
    auto reads = std::make_shared<int>(0);
    return {[reads] {
                static const uint64_t script[] = {0, 0, 10, 1000000010, 100, 1000100};
                return script[(*reads)++ % 6];
            },
            [](uint32_t) {}, [] { return 512u << 20; }};
}

class QualifyXorgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<SaverWindow>(app, "mode test");
        window->makeFullScreen();
        window->show();
        app.processMessages();
        requirements.minTextureSize = 512;
        requirements.minTextureUnits = 2;
        requirements.extensions = {"GL_ARB_multitexture"};
    }
    void TearDown() override
    {
        closeView(view);
        window.reset();
    }
    SDL_DisplayMode current()
    {
        SDL_DisplayMode m{};
        SDL_GetCurrentDisplayMode(0, &m);
        return m;
    }

    Application app;
    std::unique_ptr<SaverWindow> window;
    SaverRequirements requirements;
    GLV* view = nullptr;
};

TEST_F(QualifyXorgTest, RequestedModesAreFoundSwitchedToAndRestored)
{
    struct Case { DisplayMode request; const char* logLine; int width, height, rate; };
    const Case cases[] = {
        {{1024, 768, 32, 75}, "Resolution set to 1024x768x32x75", 1024, 768, 75},   // exact
        {{800, 600, 32, 85}, "Resolution set to 800x600x32x60", 800, 600, 72},      // no 85 Hz: first 800x600
        {{640, 480, 16, 60}, "Resolution set to 640x480x32x60", 640, 480, 60},      // no 16 bits at that size
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logLine);
        DisplayMode mode = c.request;
        int32_t rate = 0;
        EXPECT_TRUE(qualifyMachine(&view, *window, requirements, mode, rate, quickMachine()))
            << ::testing::PrintToString(lastStatusLogLines());
        ASSERT_FALSE(lastStatusLogLines().empty());
        EXPECT_EQ(lastStatusLogLines()[0], c.logLine);
        const SDL_DisplayMode now = current();
        EXPECT_EQ(now.w, c.width);
        EXPECT_EQ(now.h, c.height);
        EXPECT_EQ(now.refresh_rate, c.rate) << "the enumerated mode is set, with its own rate";
        int w = 0, h = 0;
        window->clientSize(w, h);
        EXPECT_EQ(w, c.width) << "the window takes the requested size";

        closeView(view);
        view = nullptr;
        const SDL_DisplayMode back = current();
        EXPECT_EQ(back.w, 1280) << "closeView returns to the desktop mode";
        EXPECT_EQ(back.h, 1024);
    }
}

TEST_F(QualifyXorgTest, AMissingSizeIsAnError)
{
    DisplayMode mode{1152, 864, 32, 60};
    int32_t rate = 0;
    try {
        qualifyMachine(&view, *window, requirements, mode, rate, quickMachine());
        FAIL() << "expected an error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.message(), "Selected resolution not found!");
    }
    EXPECT_EQ(view, nullptr);
    EXPECT_EQ(current().w, 1280) << "nothing was switched";
}

TEST_F(QualifyXorgTest, TheDesktopModeIsKeptForAnAllZeroRequest)
{
    DisplayMode mode;
    int32_t rate = 0;
    EXPECT_TRUE(qualifyMachine(&view, *window, requirements, mode, rate, quickMachine()));
    EXPECT_EQ(lastStatusLogLines()[0], "Using desktop resolution");
    EXPECT_EQ(current().w, 1280);
}

}  // namespace

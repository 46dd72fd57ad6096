// Display-mode switching against a real X server with several modes: the Xorg server with the
// dummy driver that scripts/xorg-dummy starts (CTest label "xorg"). What the server shows is asked
// on a connection of the test's own, through RandR, besides what SDL says.
#include "platform/application.h"
#include "platform/display.h"
#include "platform/window.h"

// GoogleTest first: Xlib's macros (None, Bool) would break its headers.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cmath>
#include <memory>
#include <ostream>
#include <vector>

namespace {

struct Shown {
    int width = 0;
    int height = 0;
    int refresh = 0;   // rounded to whole hertz
    bool operator==(const Shown& o) const { return width == o.width && height == o.height && refresh == o.refresh; }
};

std::ostream& operator<<(std::ostream& out, const Shown& s)
{
    return out << s.width << "x" << s.height << "@" << s.refresh;
}

// The mode of the server's primary output (the first active one where none is primary).
Shown serverShows()
{
    Shown shown;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return shown;
    const Window root = DefaultRootWindow(display);
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    const RROutput primary = XRRGetOutputPrimary(display, root);
    RRCrtc crtcId = 0;
    for (int pass = 0; resources && pass < 2 && !crtcId; ++pass) {
        for (int i = 0; i < resources->noutput && !crtcId; ++i) {
            if (pass == 0 && resources->outputs[i] != primary) continue;
            XRROutputInfo* output = XRRGetOutputInfo(display, resources, resources->outputs[i]);
            if (output && output->connection == RR_Connected) crtcId = output->crtc;
            if (output) XRRFreeOutputInfo(output);
        }
    }
    if (crtcId) {
        XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, crtcId);
        for (int m = 0; crtc && m < resources->nmode; ++m) {
            const XRRModeInfo& info = resources->modes[m];
            if (info.id != crtc->mode) continue;
            shown.width = static_cast<int>(info.width);
            shown.height = static_cast<int>(info.height);
            shown.refresh = static_cast<int>(
                std::lround(static_cast<double>(info.dotClock) / (static_cast<double>(info.hTotal) * info.vTotal)));
        }
        if (crtc) XRRFreeCrtcInfo(crtc);
    }
    if (resources) XRRFreeScreenResources(resources);
    XCloseDisplay(display);
    return shown;
}

Shown sdlShows()
{
    SDL_DisplayMode m{};
    if (SDL_GetCurrentDisplayMode(0, &m) != 0) return {};
    return {m.w, m.h, m.refresh_rate};
}

// The size the X server gives the window, which is what GL draws into.
void xWindowSize(SDL_Window* window, int& width, int& height)
{
    width = height = 0;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    XSync(info.info.x11.display, False);
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes)) return;
    width = attributes.width;
    height = attributes.height;
}

std::vector<ScreenMode> enumerated()
{
    std::vector<ScreenMode> modes;
    ScreenMode m;
    for (int i = 0; enumerateDisplayMode(i, m); ++i) modes.push_back(m);
    return modes;
}

bool sameMode(const ScreenMode& a, const ScreenMode& b)
{
    return a.width == b.width && a.height == b.height && a.bitsPerPixel == b.bitsPerPixel &&
           a.frequency == b.frequency;
}

const Shown kDesktop{1280, 1024, 60};

class DisplayModeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(app.openDisplay()) << SDL_GetError();
        ASSERT_EQ(serverShows(), kDesktop) << "not the server of scripts/xorg-dummy, or not in its desktop mode";
    }

    void TearDown() override
    {
        restoreDisplayMode();
        window.reset();
    }

    // The saver's way: full screen over the desktop, shown.
    void openSaverWindow()
    {
        window = std::make_unique<SaverWindow>(app, "display mode test");
        window->makeFullScreen();
        window->show();
        app.processMessages();
    }

    // A mode as the enumeration reports it.
    static ScreenMode mode(int width, int height, int frequency)
    {
        ScreenMode m;
        m.width = width;
        m.height = height;
        m.bitsPerPixel = 32;
        m.frequency = frequency;
        return m;
    }

    void expectShowing(const Shown& expected)
    {
        EXPECT_EQ(serverShows(), expected);
        EXPECT_EQ(sdlShows(), expected);
        int width = 0, height = 0;
        xWindowSize(window->sdlWindow(), width, height);
        EXPECT_EQ(width, expected.width);
        EXPECT_EQ(height, expected.height);
    }

    Application app;
    std::unique_ptr<SaverWindow> window;
};

TEST_F(DisplayModeTest, EnumeratesTheModesOfTheServer)
{
    // The modes scripts/xorg-dummy configures, in SDL's order, its 24-bit pixels stored in 32 bits.
    const std::vector<ScreenMode> expected = {mode(1280, 1024, 60), mode(1024, 768, 75), mode(1024, 768, 60),
                                              mode(800, 600, 72),   mode(800, 600, 60),  mode(640, 480, 60)};
    const std::vector<ScreenMode> modes = enumerated();
    ASSERT_EQ(modes.size(), expected.size());
    for (size_t i = 0; i < modes.size(); ++i) {
        EXPECT_TRUE(sameMode(modes[i], expected[i]))
            << i << ": " << modes[i].width << "x" << modes[i].height << "x" << modes[i].bitsPerPixel << " "
            << modes[i].frequency << " Hz";
    }
    ScreenMode m;
    EXPECT_FALSE(enumerateDisplayMode(-1, m));
    EXPECT_FALSE(enumerateDisplayMode(static_cast<int>(expected.size()), m));
}

TEST_F(DisplayModeTest, SwitchesAndReturnsToTheDesktopMode)
{
    openSaverWindow();
    ASSERT_TRUE(changeDisplayMode(*window, mode(800, 600, 60)));
    expectShowing({800, 600, 60});
    EXPECT_EQ(SDL_GetWindowFlags(window->sdlWindow()) & SDL_WINDOW_FULLSCREEN_DESKTOP,
              static_cast<Uint32>(SDL_WINDOW_FULLSCREEN));

    // A second change goes straight on to the next mode; the restore still goes to the desktop.
    ASSERT_TRUE(changeDisplayMode(*window, mode(1024, 768, 75)));
    expectShowing({1024, 768, 75});

    restoreDisplayMode();
    expectShowing(kDesktop);
    EXPECT_EQ(SDL_GetWindowFlags(window->sdlWindow()) & SDL_WINDOW_FULLSCREEN_DESKTOP,
              static_cast<Uint32>(SDL_WINDOW_FULLSCREEN_DESKTOP));

    restoreDisplayMode();   // nothing left to undo
    expectShowing(kDesktop);
}

TEST_F(DisplayModeTest, TellsTheRefreshRatesOfOneSizeApart)
{
    openSaverWindow();
    ASSERT_TRUE(changeDisplayMode(*window, mode(800, 600, 72)));
    expectShowing({800, 600, 72});
    ASSERT_TRUE(changeDisplayMode(*window, mode(800, 600, 60)));
    expectShowing({800, 600, 60});
    restoreDisplayMode();
    expectShowing(kDesktop);
}

TEST_F(DisplayModeTest, RefusesAModeTheDisplayDoesNotOffer)
{
    openSaverWindow();
    EXPECT_FALSE(changeDisplayMode(*window, mode(1000, 700, 60)));
    EXPECT_FALSE(changeDisplayMode(*window, mode(800, 600, 85)));
    ScreenMode shallow = mode(800, 600, 60);
    shallow.bitsPerPixel = 16;   // the server has depth 24 only
    EXPECT_FALSE(changeDisplayMode(*window, shallow));
    expectShowing(kDesktop);
    EXPECT_EQ(SDL_GetWindowFlags(window->sdlWindow()) & SDL_WINDOW_FULLSCREEN_DESKTOP,
              static_cast<Uint32>(SDL_WINDOW_FULLSCREEN_DESKTOP));
}

TEST_F(DisplayModeTest, RestoreWithoutAChangeDoesNothing)
{
    openSaverWindow();
    // Switched behind the platform layer's back: not its change, so not its to undo.
    SDL_DisplayMode other{};
    for (int i = 0; i < SDL_GetNumDisplayModes(0); ++i) {
        SDL_DisplayMode m{};
        if (SDL_GetDisplayMode(0, i, &m) == 0 && m.w == 800 && m.h == 600 && m.refresh_rate == 72) other = m;
    }
    ASSERT_EQ(other.w, 800);
    ASSERT_EQ(SDL_SetWindowDisplayMode(window->sdlWindow(), &other), 0);
    ASSERT_EQ(SDL_SetWindowFullscreen(window->sdlWindow(), SDL_WINDOW_FULLSCREEN), 0);
    ASSERT_EQ(serverShows(), (Shown{800, 600, 72}));

    restoreDisplayMode();
    EXPECT_EQ(serverShows(), (Shown{800, 600, 72}));
    EXPECT_EQ(sdlShows(), (Shown{800, 600, 72}));
    EXPECT_EQ(SDL_GetWindowFlags(window->sdlWindow()) & SDL_WINDOW_FULLSCREEN_DESKTOP,
              static_cast<Uint32>(SDL_WINDOW_FULLSCREEN));

    SDL_SetWindowFullscreen(window->sdlWindow(), SDL_WINDOW_FULLSCREEN_DESKTOP);
    EXPECT_EQ(serverShows(), kDesktop);
}

TEST_F(DisplayModeTest, RestoreAfterTheWindowIsGone)
{
    openSaverWindow();
    ASSERT_TRUE(changeDisplayMode(*window, mode(640, 480, 60)));
    ASSERT_EQ(serverShows(), (Shown{640, 480, 60}));
    window.reset();
    restoreDisplayMode();
    EXPECT_EQ(serverShows(), kDesktop);
    EXPECT_EQ(sdlShows(), kDesktop);
}

TEST_F(DisplayModeTest, AWindowNotFullScreenReturnsToItsSize)
{
    window = std::make_unique<SaverWindow>(app, "display mode test", GLPixelRequest{}, 640, 400);
    window->show();
    app.processMessages();
    ASSERT_TRUE(changeDisplayMode(*window, mode(1024, 768, 60)));
    expectShowing({1024, 768, 60});

    restoreDisplayMode();
    EXPECT_EQ(serverShows(), kDesktop);
    EXPECT_EQ(sdlShows(), kDesktop);
    EXPECT_EQ(SDL_GetWindowFlags(window->sdlWindow()) & SDL_WINDOW_FULLSCREEN_DESKTOP, 0u);
    int width = 0, height = 0;
    xWindowSize(window->sdlWindow(), width, height);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 400);
}

TEST_F(DisplayModeTest, AHiddenWindowIsShownForTheSwitch)
{
    window = std::make_unique<SaverWindow>(app, "display mode test");
    window->makeFullScreen();
    ASSERT_TRUE(changeDisplayMode(*window, mode(800, 600, 72)));
    EXPECT_TRUE(window->visible());
    expectShowing({800, 600, 72});
    restoreDisplayMode();
    expectShowing(kDesktop);
}

}  // namespace

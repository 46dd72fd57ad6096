#include "platform/display.h"

#include "platform/display_recovery.h"
#include "platform/window.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <type_traits>

namespace {

ScreenMode fromSdl(const SDL_DisplayMode& m)
{
    ScreenMode mode;
    mode.width = m.w;
    mode.height = m.h;
    int bits = static_cast<int>(SDL_BITSPERPIXEL(m.format));
    if (bits == 24 && SDL_BYTESPERPIXEL(m.format) == 4) bits = 32;
    mode.bitsPerPixel = bits;
    mode.frequency = m.refresh_rate;
    return mode;
}

// The SDL mode that the enumeration reported as `mode`.
bool findMode(const ScreenMode& mode, SDL_DisplayMode& found)
{
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode m{};
        if (SDL_GetDisplayMode(0, i, &m) != 0) continue;
        const ScreenMode s = fromSdl(m);
        if (s.width == mode.width && s.height == mode.height && s.bitsPerPixel == mode.bitsPerPixel &&
            s.frequency == mode.frequency) {
            found = m;
            return true;
        }
    }
    return false;
}

// RandR 1.2, loaded at run time from the library SDL itself loads for its mode switching, so that
// the platform layer gains no link dependency. Used only to ask the server what it really shows.
struct RandR {
    Bool (*queryExtension)(Display*, int*, int*) = nullptr;
    Status (*queryVersion)(Display*, int*, int*) = nullptr;
    XRRScreenResources* (*getScreenResourcesCurrent)(Display*, Window) = nullptr;
    void (*freeScreenResources)(XRRScreenResources*) = nullptr;
    RROutput (*getOutputPrimary)(Display*, Window) = nullptr;
    XRROutputInfo* (*getOutputInfo)(Display*, XRRScreenResources*, RROutput) = nullptr;
    void (*freeOutputInfo)(XRROutputInfo*) = nullptr;
    XRRCrtcInfo* (*getCrtcInfo)(Display*, XRRScreenResources*, RRCrtc) = nullptr;
    void (*freeCrtcInfo)(XRRCrtcInfo*) = nullptr;
};

const RandR* randr()
{
    static RandR r;
    static bool loaded = false;
    static bool tried = false;
    if (!tried) {
        tried = true;
        void* library = SDL_LoadObject("libXrandr.so.2");   // kept for the rest of the run
        if (library) {
            const auto load = [library](auto& function, const char* name) {
                function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
                    SDL_LoadFunction(library, name));
                return function != nullptr;
            };
            loaded = load(r.queryExtension, "XRRQueryExtension") && load(r.queryVersion, "XRRQueryVersion") &&
                     load(r.getScreenResourcesCurrent, "XRRGetScreenResourcesCurrent") &&
                     load(r.freeScreenResources, "XRRFreeScreenResources") &&
                     load(r.getOutputPrimary, "XRRGetOutputPrimary") &&
                     load(r.getOutputInfo, "XRRGetOutputInfo") && load(r.freeOutputInfo, "XRRFreeOutputInfo") &&
                     load(r.getCrtcInfo, "XRRGetCrtcInfo") && load(r.freeCrtcInfo, "XRRFreeCrtcInfo");
        }
        SDL_ClearError();
    }
    return loaded ? &r : nullptr;
}

bool x11Window(SDL_Window* window, Display*& display, Window& xwindow)
{
    if (!window) return false;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return false;
    display = info.info.x11.display;
    xwindow = info.info.x11.window;
    return true;
}

// The mode the X server shows on the output that SDL counts as display 0: the primary output, else
// the first connected one with a CRTC. False where the server cannot be asked.
bool serverMode(SDL_Window* window, int& width, int& height, int& refresh)
{
    Display* display = nullptr;
    Window xwindow = 0;
    const RandR* rr = randr();
    if (!rr || !x11Window(window, display, xwindow)) return false;
    int event = 0, error = 0, major = 0, minor = 0;
    if (!rr->queryExtension(display, &event, &error) || !rr->queryVersion(display, &major, &minor) ||
        (major == 1 && minor < 2) || major < 1)
        return false;
    const Window root = RootWindow(display, DefaultScreen(display));
    XRRScreenResources* resources = rr->getScreenResourcesCurrent(display, root);
    if (!resources) return false;
    const RROutput primary = rr->getOutputPrimary(display, root);
    bool found = false;
    for (int pass = 0; pass < 2 && !found; ++pass) {
        for (int i = 0; i < resources->noutput && !found; ++i) {
            if (pass == 0 && resources->outputs[i] != primary) continue;
            XRROutputInfo* output = rr->getOutputInfo(display, resources, resources->outputs[i]);
            if (!output) continue;
            if (output->crtc && output->connection != RR_Disconnected) {
                if (XRRCrtcInfo* crtc = rr->getCrtcInfo(display, resources, output->crtc)) {
                    for (int m = 0; m < resources->nmode && !found; ++m) {
                        const XRRModeInfo& info = resources->modes[m];
                        if (info.id != crtc->mode) continue;
                        width = static_cast<int>(crtc->width);
                        height = static_cast<int>(crtc->height);
                        // Rounded to whole hertz, as SDL reports the modes.
                        refresh = info.hTotal && info.vTotal
                                      ? static_cast<int>(std::lround(static_cast<double>(info.dotClock) /
                                                                     (static_cast<double>(info.hTotal) * info.vTotal)))
                                      : 0;
                        found = true;
                    }
                    rr->freeCrtcInfo(crtc);
                }
            }
            rr->freeOutputInfo(output);
        }
    }
    rr->freeScreenResources(resources);
    return found;
}

// Whether display 0 now shows `mode`, as SDL has it and, where it can be asked, as the server has it.
bool showing(SDL_Window* window, const SDL_DisplayMode& mode)
{
    SDL_DisplayMode now{};
    if (SDL_GetCurrentDisplayMode(0, &now) != 0) return false;
    if (now.w != mode.w || now.h != mode.h || now.refresh_rate != mode.refresh_rate) return false;
    int width = 0, height = 0, refresh = 0;
    if (serverMode(window, width, height, refresh)) {
        if (width != mode.w || height != mode.h) return false;
        if (mode.refresh_rate != 0 && std::abs(refresh - mode.refresh_rate) > 1) return false;
    }
    return true;
}

// Nothing but a window manager resizes a full-screen window when the mode changes; without one the
// window keeps its old size, and GL, which draws from the window's bottom-left corner, then draws
// partly or wholly off the screen. Where a window manager does it, this asks for the same size.
void fitWindow(SDL_Window* window, const SDL_Rect& area)
{
    Display* display = nullptr;
    Window xwindow = 0;
    if (!x11Window(window, display, xwindow)) return;
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, xwindow, &attributes) && attributes.width == area.w &&
        attributes.height == area.h)
        return;
    XMoveResizeWindow(display, xwindow, area.x, area.y, static_cast<unsigned>(area.w),
                      static_cast<unsigned>(area.h));
    XSync(display, False);
}

void fitToDisplay(SDL_Window* window)
{
    SDL_Rect bounds{};
    if (SDL_GetDisplayBounds(0, &bounds) == 0) fitWindow(window, bounds);
}

// What this run has changed, for restoreDisplayMode.
struct Change {
    bool active = false;
    SDL_DisplayMode desktop{};   // display 0 before the first change
    Uint32 windowId = 0;         // the window full screen in the changed mode
    Uint32 windowFlags = 0;      // its full-screen flags before that
    SDL_Rect windowed{};         // and its place, where it was not full screen
};
Change change;

}  // namespace

bool enumerateDisplayMode(int index, ScreenMode& mode)
{
    if (!SDL_WasInit(SDL_INIT_VIDEO) || index < 0 || index >= SDL_GetNumDisplayModes(0)) return false;
    SDL_DisplayMode m{};
    if (SDL_GetDisplayMode(0, index, &m) != 0) return false;
    mode = fromSdl(m);
    return true;
}

bool changeDisplayMode(SaverWindow& window, const ScreenMode& mode)
{
    SDL_Window* sdlWindow = window.sdlWindow();
    if (!sdlWindow || !SDL_WasInit(SDL_INIT_VIDEO)) return false;
    SDL_DisplayMode target{};
    if (!findMode(mode, target)) return false;

    // A change for another window first gives the display back, so that one window at a time
    // holds it and the desktop mode recorded stays the real one.
    if (change.active && change.windowId != SDL_GetWindowID(sdlWindow)) restoreDisplayMode();
    if (!change.active) {
        Change first;
        if (SDL_GetCurrentDisplayMode(0, &first.desktop) != 0) return false;
        first.active = true;
        first.windowId = SDL_GetWindowID(sdlWindow);
        first.windowFlags = SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_FULLSCREEN_DESKTOP;
        SDL_GetWindowPosition(sdlWindow, &first.windowed.x, &first.windowed.y);
        SDL_GetWindowSize(sdlWindow, &first.windowed.w, &first.windowed.h);
        change = first;
        recordDesktopMode(first.desktop.w, first.desktop.h, first.desktop.refresh_rate);   // for a killed run
    }

    // SDL switches the mode while a window in exclusive full screen is visible, and only then.
    const bool hidden = !(SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_SHOWN);
    if (hidden) window.show();
    // Already in exclusive full screen, setting the window's mode switches at once.
    bool switched = SDL_SetWindowDisplayMode(sdlWindow, &target) == 0 &&
                    SDL_SetWindowFullscreen(sdlWindow, SDL_WINDOW_FULLSCREEN) == 0;
    if (switched) {
        fitToDisplay(sdlWindow);
        switched = showing(sdlWindow, target);
    }
    if (!switched) {
        // A failed switch leaves the desktop mode, and the window as it was.
        restoreDisplayMode();
        if (hidden) window.hide();
    }
    return switched;
}

void restoreDisplayMode()
{
    if (!change.active) return;
    const Change was = change;
    change = Change{};
    forgetDesktopMode();   // back now, or with the window's end below; nothing left to recover
    // Without the window, or without SDL, nothing is left to do: destroying a full-screen window,
    // like SDL_Quit, returns the display to the mode SDL found at start-up.
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    SDL_Window* window = SDL_GetWindowFromID(was.windowId);
    if (!window) return;

    // Back to full screen over the desktop, or out of full screen, as the window was: either makes
    // SDL return the display to the desktop mode.
    const Uint32 flags = was.windowFlags ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0;
    if ((SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN_DESKTOP) != flags) {
        SDL_SetWindowFullscreen(window, flags);
        if (flags) {
            fitToDisplay(window);
        } else {
            // SDL keeps the full-screen size until a window manager says otherwise.
            SDL_SetWindowSize(window, was.windowed.w, was.windowed.h);
            SDL_SetWindowPosition(window, was.windowed.x, was.windowed.y);
        }
    }
    if (!showing(window, was.desktop)) {
        std::fprintf(stderr, "The display could not be returned to %dx%d at %d Hz.\n", was.desktop.w,
                     was.desktop.h, was.desktop.refresh_rate);
    }
}

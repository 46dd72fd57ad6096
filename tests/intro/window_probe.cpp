#include "window_probe.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

WindowProbe::WindowProbe(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    display_ = info.info.x11.display;
    window_ = info.info.x11.window;
    SDL_GetWindowSize(window, &width_, &height_);
    gc_ = XCreateGC(static_cast<Display*>(display_), window_, 0, nullptr);
}

WindowProbe::~WindowProbe()
{
    if (gc_) XFreeGC(static_cast<Display*>(display_), static_cast<GC>(gc_));
}

void WindowProbe::fill(uint32_t rgb)
{
    Display* d = static_cast<Display*>(display_);
    XSetForeground(d, static_cast<GC>(gc_), rgb);
    XFillRectangle(d, window_, static_cast<GC>(gc_), 0, 0, static_cast<unsigned>(width_), static_cast<unsigned>(height_));
    XSync(d, False);
}

uint32_t WindowProbe::pixel(int x, int y) const
{
    Display* d = static_cast<Display*>(display_);
    XSync(d, False);
    XImage* image = XGetImage(d, window_, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0xffffffffu;
    const unsigned long p = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return static_cast<uint32_t>(p & 0xffffff);
}

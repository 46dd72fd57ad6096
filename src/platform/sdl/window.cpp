#include "platform/window.h"

#include "platform/application.h"
#include "platform/exception.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

SaverWindow::SaverWindow(Application& app, const std::string& caption) : app_(app)
{
    if (!app.openDisplay()) throw Exception(std::string("Cannot open the display: ") + SDL_GetError());
    SDL_Rect bounds{0, 0, 800, 600};
    SDL_GetDisplayBounds(0, &bounds);
    window_ = SDL_CreateWindow(caption.c_str(), bounds.x, bounds.y, bounds.w, bounds.h, SDL_WINDOW_HIDDEN);
    if (!window_) throw Exception(std::string("Cannot create the window: ") + SDL_GetError());
    id_ = SDL_GetWindowID(window_);
    app_.registerWindow(id_, this);
    paintBlack();
}

SaverWindow::~SaverWindow()
{
    app_.unregisterWindow(id_);
    if (window_) SDL_DestroyWindow(window_);
}

void SaverWindow::makeFullScreen()
{
    SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
}

void SaverWindow::makeBorderless()
{
    SDL_SetWindowBordered(window_, SDL_FALSE);
}

void SaverWindow::hideCursor()
{
    SDL_ShowCursor(SDL_DISABLE);
}

void SaverWindow::show()
{
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
    visible_ = true;
    paintBlack();
}

void SaverWindow::hide()
{
    SDL_HideWindow(window_);
    visible_ = false;
}

void SaverWindow::focus()
{
    SDL_RaiseWindow(window_);
}

void SaverWindow::setCaption(const std::string& caption)
{
    SDL_SetWindowTitle(window_, caption.c_str());
}

std::string SaverWindow::caption() const
{
    return SDL_GetWindowTitle(window_);
}

void SaverWindow::clientSize(int& width, int& height) const
{
    SDL_GetWindowSize(window_, &width, &height);
}

void SaverWindow::paintBlack()
{
    // The X server paints the window's background itself on every expose, so the window is black
    // from the moment it is mapped, before any GL context draws into it.
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window_, &info) || info.subsystem != SDL_SYSWM_X11) return;
    Display* display = info.info.x11.display;
    const Window xwindow = info.info.x11.window;
    XSetWindowBackground(display, xwindow, BlackPixel(display, DefaultScreen(display)));
    XClearWindow(display, xwindow);
    XFlush(display);
}

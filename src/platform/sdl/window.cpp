#include "platform/window.h"

#include "platform/application.h"
#include "platform/exception.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdlib>

unsigned long rootWindowId()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 0;
    const unsigned long root = DefaultRootWindow(display);
    XCloseDisplay(display);
    return root;
}

SaverWindow::SaverWindow(Application& app, const std::string& caption, const GLPixelRequest& pixels,
                         int width, int height)
    : app_(app)
{
    if (!app.openDisplay()) throw Exception(std::string("Cannot open the display: ") + SDL_GetError());
    SDL_Rect bounds{0, 0, 800, 600};
    SDL_GetDisplayBounds(0, &bounds);
    if (width > 0 && height > 0) {
        bounds.w = width;
        bounds.h = height;
    }
    // The closest pixel format that works: the requested depth first, then less.
    const int channel = pixels.colorBits >= 24 ? 8 : 5;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, pixels.alphaBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, pixels.stencilBits);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, pixels.doubleBuffer ? 1 : 0);
    const int depths[] = {pixels.depthBits, 24, 16, 0};
    for (int depth : depths) {
        if (depth > pixels.depthBits) continue;
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth);
        window_ = SDL_CreateWindow(caption.c_str(), bounds.x, bounds.y, bounds.w, bounds.h,
                                   SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL);
        if (window_) {
            glCapable_ = true;
            depthBits_ = depth;
            break;
        }
    }
    if (!window_)
        window_ = SDL_CreateWindow(caption.c_str(), bounds.x, bounds.y, bounds.w, bounds.h, SDL_WINDOW_HIDDEN);
    if (!window_) throw Exception(std::string("Cannot create the window: ") + SDL_GetError());
    id_ = SDL_GetWindowID(window_);
    app_.registerWindow(id_, this);
    paintBlack();
}

SaverWindow::SaverWindow(Application& app, unsigned long foreignId) : app_(app), foreign_(true)
{
    if (!app.openDisplay()) throw Exception(std::string("Cannot open the display: ") + SDL_GetError());
    // The visual is the owner's. SDL picks the GL configuration that matches it among those with at
    // least the sizes asked for, so ask for what nearly every GL visual has: 8-bit channels, a
    // 24-bit depth buffer, double buffering.
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_SetHint(SDL_HINT_VIDEO_FOREIGN_WINDOW_OPENGL, "1");
    window_ = SDL_CreateWindowFrom(reinterpret_cast<const void*>(static_cast<uintptr_t>(foreignId)));
    if (!window_) throw Exception(std::string("Cannot use the window: ") + SDL_GetError());
    glCapable_ = (SDL_GetWindowFlags(window_) & SDL_WINDOW_OPENGL) != 0;
    depthBits_ = glCapable_ ? 24 : 0;
    // Mapped by its owner; shown as far as this run is concerned.
    visible_ = (SDL_GetWindowFlags(window_) & SDL_WINDOW_SHOWN) != 0;
    id_ = SDL_GetWindowID(window_);
    app_.registerWindow(id_, this);
}

SaverWindow::~SaverWindow()
{
    app_.unregisterWindow(id_);
    // For a foreign window SDL only lets go of it; the X window stays its owner's.
    if (window_) SDL_DestroyWindow(window_);
}

void SaverWindow::makeFullScreen()
{
    if (foreign_) return;   // the owner decides the size of its window
    SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
}

void SaverWindow::makeBorderless()
{
    if (foreign_) return;
    SDL_SetWindowBordered(window_, SDL_FALSE);
}

void SaverWindow::makeResizable()
{
    if (foreign_) return;
    SDL_SetWindowResizable(window_, SDL_TRUE);
}

void SaverWindow::hideCursor()
{
    SDL_ShowCursor(SDL_DISABLE);
}

void SaverWindow::show()
{
    if (foreign_) {
        visible_ = true;   // mapped and stacked by its owner
        return;
    }
    SDL_ShowWindow(window_);
    SDL_RaiseWindow(window_);
    visible_ = true;
    paintBlack();
}

void SaverWindow::hide()
{
    if (foreign_) {
        visible_ = false;
        return;
    }
    SDL_HideWindow(window_);
    visible_ = false;
}

void SaverWindow::focus()
{
    if (foreign_) return;   // input belongs to the owner
    SDL_RaiseWindow(window_);
}

void SaverWindow::setCaption(const std::string& caption)
{
    if (foreign_) return;   // the owner's title (or the root window's) is not ours to change
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

void SaverWindow::setClientSize(int width, int height)
{
    if (foreign_) return;
    SDL_SetWindowSize(window_, width, height);
}

void SaverWindow::showPicture(int width, int height, std::vector<uint8_t> rgb)
{
    pictureWidth_ = width;
    pictureHeight_ = height;
    picture_ = std::move(rgb);
    paintPicture();
}

void SaverWindow::clearPicture()
{
    picture_.clear();
}

void SaverWindow::repaint()
{
    paintBlack();
    paintPicture();
}

void SaverWindow::paintPicture()
{
    if (picture_.empty() || pictureWidth_ <= 0 || pictureHeight_ <= 0) return;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window_, &info) || info.subsystem != SDL_SYSWM_X11) return;
    Display* display = info.info.x11.display;
    const Window xwindow = info.info.x11.window;
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, xwindow, &attributes)) return;
    // Drawn with the window's own visual, whatever its depth and channel order.
    XImage* image = XCreateImage(display, attributes.visual, static_cast<unsigned>(attributes.depth), ZPixmap, 0,
                                 nullptr, static_cast<unsigned>(pictureWidth_),
                                 static_cast<unsigned>(pictureHeight_), 32, 0);
    if (!image) return;
    image->data = static_cast<char*>(malloc(static_cast<size_t>(image->bytes_per_line) * pictureHeight_));
    if (!image->data) {
        XDestroyImage(image);
        return;
    }
    const auto place = [](uint8_t value, unsigned long mask) -> unsigned long {
        if (!mask) return 0;
        int shift = 0;
        while (!((mask >> shift) & 1)) ++shift;
        const unsigned long max = mask >> shift;
        return ((static_cast<unsigned long>(value) * max + 127) / 255) << shift;
    };
    const uint8_t* p = picture_.data();
    for (int y = 0; y < pictureHeight_; ++y) {
        for (int x = 0; x < pictureWidth_; ++x, p += 3) {
            XPutPixel(image, x, y,
                      place(p[0], image->red_mask) | place(p[1], image->green_mask) | place(p[2], image->blue_mask));
        }
    }
    GC gc = XCreateGC(display, xwindow, 0, nullptr);
    XPutImage(display, xwindow, gc, image, 0, 0, 0, 0, static_cast<unsigned>(pictureWidth_),
              static_cast<unsigned>(pictureHeight_));
    XFreeGC(display, gc);
    XDestroyImage(image);   // frees the pixel memory too
    XFlush(display);
}

void SaverWindow::paintBlack()
{
    // The X server paints the window's background itself on every expose, so the window is black
    // from the moment it is mapped, before any GL context draws into it. A foreign window keeps
    // the background its owner gave it (the root window's would outlive the run).
    if (foreign_) return;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window_, &info) || info.subsystem != SDL_SYSWM_X11) return;
    Display* display = info.info.x11.display;
    const Window xwindow = info.info.x11.window;
    XSetWindowBackground(display, xwindow, BlackPixel(display, DefaultScreen(display)));
    XClearWindow(display, xwindow);
    XFlush(display);
}

#include "platform/preview.h"

#include "platform/exception.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <cstring>

struct PreviewConnection {
    Display* display = nullptr;
    Window window = 0;
    bool existed = false;             // the window was there when the preview started
    bool destroyed = false;
    XImage* image = nullptr;          // the picture in the window's pixel format, made once
    const uint8_t* imageSource = nullptr;
};

namespace {

// The host may destroy its window at any moment, between our check and our copy. Xlib's default
// handler would end the process on the BadWindow or BadDrawable that follows; this one ignores
// the error: the DestroyNotify that comes with it ends the preview.
int ignoreXError(Display*, XErrorEvent*)
{
    return 0;
}

unsigned long place(uint8_t value, unsigned long mask)
{
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    const unsigned long max = mask >> shift;
    return ((static_cast<unsigned long>(value) * max + 127) / 255) << shift;
}

}  // namespace

PreviewTarget::PreviewTarget(unsigned long window) : x_(std::make_unique<PreviewConnection>())
{
    x_->display = XOpenDisplay(nullptr);
    if (!x_->display) throw Exception("Cannot open the display for the preview");
    XSetErrorHandler(ignoreXError);
    x_->window = static_cast<Window>(window);
    // StructureNotify on the host's window tells us when it is destroyed.
    XSelectInput(x_->display, x_->window, StructureNotifyMask);
    XWindowAttributes attributes{};
    x_->existed = XGetWindowAttributes(x_->display, x_->window, &attributes) != 0;
    XSync(x_->display, False);
}

PreviewTarget::~PreviewTarget()
{
    if (x_->image) XDestroyImage(x_->image);
    if (x_->display) XCloseDisplay(x_->display);
}

void PreviewTarget::draw(int x, int y, int width, int height, const uint8_t* rgb)
{
    if (x_->destroyed || !rgb || width <= 0 || height <= 0) return;
    Display* display = x_->display;
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, x_->window, &attributes)) {
        // Gone between two copies, and its DestroyNotify perhaps missed (destroyed before the
        // events were selected): a window that was there is not coming back.
        if (x_->existed) x_->destroyed = true;
        return;
    }
    if (x_->image && (x_->imageSource != rgb || x_->image->width != width || x_->image->height != height ||
                      x_->image->depth != attributes.depth)) {
        XDestroyImage(x_->image);
        x_->image = nullptr;
    }
    if (!x_->image) {
        // In the window's own visual, whatever its depth and channel order.
        XImage* image = XCreateImage(display, attributes.visual, static_cast<unsigned>(attributes.depth), ZPixmap,
                                     0, nullptr, static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
        if (!image) return;
        image->data = static_cast<char*>(std::malloc(static_cast<size_t>(image->bytes_per_line) * height));
        if (!image->data) {
            XDestroyImage(image);
            return;
        }
        const uint8_t* p = rgb;
        for (int row = 0; row < height; ++row) {
            for (int column = 0; column < width; ++column, p += 3) {
                XPutPixel(image, column, row,
                          place(p[0], image->red_mask) | place(p[1], image->green_mask) |
                              place(p[2], image->blue_mask));
            }
        }
        x_->image = image;
        x_->imageSource = rgb;
    }
    GC gc = XCreateGC(display, x_->window, 0, nullptr);
    XPutImage(display, x_->window, gc, x_->image, 0, 0, x, y, static_cast<unsigned>(width),
              static_cast<unsigned>(height));
    XFreeGC(display, gc);
    XFlush(display);
}

bool PreviewTarget::alive()
{
    Display* display = x_->display;
    while (!x_->destroyed && XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == DestroyNotify && event.xdestroywindow.window == x_->window) x_->destroyed = true;
    }
    return !x_->destroyed;
}

#include "platform/screen.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {
int shiftOf(unsigned long mask)
{
    int s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++s;
    }
    return s;
}
uint8_t channel(unsigned long pixel, unsigned long mask)
{
    if (!mask) return 0;
    const unsigned long v = (pixel & mask) >> shiftOf(mask);
    const unsigned long max = mask >> shiftOf(mask);
    return static_cast<uint8_t>(v * 255 / max);
}
}  // namespace

bool captureDesktop(int& width, int& height, std::vector<uint8_t>& bgr)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    const Window root = DefaultRootWindow(display);
    XWindowAttributes attributes{};
    bool ok = false;
    if (XGetWindowAttributes(display, root, &attributes)) {
        XImage* image = XGetImage(display, root, 0, 0, static_cast<unsigned>(attributes.width),
                                  static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
        if (image) {
            width = attributes.width;
            height = attributes.height;
            bgr.resize(static_cast<size_t>(width) * height * 3);
            uint8_t* out = bgr.data();
            for (int y = 0; y < height; ++y) {
                for (int x = 0; x < width; ++x) {
                    const unsigned long p = XGetPixel(image, x, y);
                    *out++ = channel(p, image->blue_mask);
                    *out++ = channel(p, image->green_mask);
                    *out++ = channel(p, image->red_mask);
                }
            }
            XDestroyImage(image);
            ok = true;
        }
    }
    XCloseDisplay(display);
    return ok;
}

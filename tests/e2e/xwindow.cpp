// A small X client for the end-to-end scripts: makes a window for the preview or the hack to
// draw into, reads pixels back from a window, and asks a window to close as a window manager's
// close box would (no window manager runs under Xvfb).
//
//   xwindow make <width> <height> <r> <g> <b>   prints the new window's id (decimal), keeps it
//                                               until a line "destroy" (or the end) on stdin
//   xwindow differ <id> <x> <y> <w> <h> <r> <g> <b>   prints how many pixels of the rectangle
//                                               are not the colour r g b
//   xwindow pixel <id> <x> <y>                  prints "r g b" of one pixel
//   xwindow close <id>                          sends WM_DELETE_WINDOW
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace {

int channel(unsigned long pixel, unsigned long mask)
{
    if (!mask) return 0;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    const unsigned long max = mask >> shift;
    return static_cast<int>(((pixel & mask) >> shift) * 255 / max);
}

unsigned long pixelOf(Display* display, int r, int g, int b)
{
    Visual* visual = DefaultVisual(display, DefaultScreen(display));
    const auto place = [](int value, unsigned long mask) {
        int shift = 0;
        while (!((mask >> shift) & 1)) ++shift;
        return (static_cast<unsigned long>(value) * (mask >> shift) / 255) << shift;
    };
    return place(r, visual->red_mask) | place(g, visual->green_mask) | place(b, visual->blue_mask);
}

int usage()
{
    std::fprintf(stderr, "usage: xwindow make W H R G B | differ ID X Y W H R G B | pixel ID X Y | close ID\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return usage();
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "xwindow: cannot open the display\n");
        return 1;
    }
    const std::string command = argv[1];
    if (command == "make" && argc == 7) {
        const unsigned width = static_cast<unsigned>(std::atoi(argv[2]));
        const unsigned height = static_cast<unsigned>(std::atoi(argv[3]));
        const unsigned long background = pixelOf(display, std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]));
        const Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, width, height, 0, 0,
                                                  background);
        XStoreName(display, window, "xwindow");
        XSelectInput(display, window, StructureNotifyMask);
        XMapWindow(display, window);
        for (;;) {   // until it is really on the screen
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify) break;
        }
        std::printf("%lu\n", window);
        std::fflush(stdout);
        std::string line;
        while (std::getline(std::cin, line) && line != "destroy") {
        }
        XDestroyWindow(display, window);
        XSync(display, False);
        XCloseDisplay(display);
        return 0;
    }
    if ((command == "differ" && argc == 10) || (command == "pixel" && argc == 5)) {
        const Window window = std::strtoul(argv[2], nullptr, 0);
        const int x = std::atoi(argv[3]), y = std::atoi(argv[4]);
        const bool one = command == "pixel";
        const unsigned w = one ? 1 : static_cast<unsigned>(std::atoi(argv[5]));
        const unsigned h = one ? 1 : static_cast<unsigned>(std::atoi(argv[6]));
        XImage* image = XGetImage(display, window, x, y, w, h, AllPlanes, ZPixmap);
        if (!image) {
            std::fprintf(stderr, "xwindow: cannot read the window\n");
            return 1;
        }
        if (one) {
            const unsigned long p = XGetPixel(image, 0, 0);
            std::printf("%d %d %d\n", channel(p, image->red_mask), channel(p, image->green_mask),
                        channel(p, image->blue_mask));
        } else {
            const int r = std::atoi(argv[7]), g = std::atoi(argv[8]), b = std::atoi(argv[9]);
            long differing = 0;
            for (unsigned row = 0; row < h; ++row) {
                for (unsigned column = 0; column < w; ++column) {
                    const unsigned long p = XGetPixel(image, static_cast<int>(column), static_cast<int>(row));
                    if (std::abs(channel(p, image->red_mask) - r) > 2 || std::abs(channel(p, image->green_mask) - g) > 2 ||
                        std::abs(channel(p, image->blue_mask) - b) > 2)
                        ++differing;
                }
            }
            std::printf("%ld\n", differing);
        }
        XDestroyImage(image);
        XCloseDisplay(display);
        return 0;
    }
    if (command == "close" && argc == 3) {
        const Window window = std::strtoul(argv[2], nullptr, 0);
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, window, False, NoEventMask, &event);
        XSync(display, False);
        XCloseDisplay(display);
        return 0;
    }
    XCloseDisplay(display);
    return usage();
}

// Reads and paints the X window under a saver window directly, behind GL's back, so that a test
// can tell whether a frame was presented (a present copies the back buffer into the window).
// Kept apart from the test because Xlib's macros collide with GoogleTest's names.
#pragma once

#include <cstdint>
#include <memory>

struct SDL_Window;

class WindowProbe {
public:
    explicit WindowProbe(SDL_Window* window);   // false from ok() when it is no X window
    ~WindowProbe();
    WindowProbe(const WindowProbe&) = delete;
    WindowProbe& operator=(const WindowProbe&) = delete;

    bool ok() const { return gc_ != nullptr; }
    void fill(uint32_t rgb);                 // the whole window, synchronously
    uint32_t pixel(int x, int y) const;      // 0xRRGGBB

private:
    void* display_ = nullptr;
    unsigned long window_ = 0;
    void* gc_ = nullptr;
    int width_ = 0, height_ = 0;
};

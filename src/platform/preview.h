// The preview: a picture copied into a window of another program (the host's preview pane),
// for as long as that window exists.
#pragma once

#include <cstdint>
#include <memory>

struct PreviewConnection;

class PreviewTarget {
public:
    // Watches the X window `window` on a display connection of its own. Raises when the display
    // cannot be opened. A window that does not exist at the start is not an error here: drawing
    // into it fails quietly, as it did for the host's window handle, and the preview goes on.
    explicit PreviewTarget(unsigned long window);
    ~PreviewTarget();
    PreviewTarget(const PreviewTarget&) = delete;
    PreviewTarget& operator=(const PreviewTarget&) = delete;

    // Copies a picture (rows of red-green-blue bytes, top row first) to (x, y) of the window.
    void draw(int x, int y, int width, int height, const uint8_t* rgb);

    // Reads the window's pending events; false once the window has been destroyed.
    bool alive();

private:
    std::unique_ptr<PreviewConnection> x_;
};

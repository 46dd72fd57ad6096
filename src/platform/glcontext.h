// The OpenGL context of the saver window, its entry points and its buffer swap.
#pragma once

#include <memory>
#include <string>

class SaverWindow;

// The pixel format a window is made with. A window's visual is fixed when it is created, so the
// saver window is made GL-capable from the start; where the depth is refused, the closest depth
// that works is taken.
struct GLPixelRequest {
    int colorBits = 32;
    int depthBits = 32;
    int stencilBits = 0;
    int alphaBits = 0;
    bool doubleBuffer = true;
};

class GLContext {
public:
    // A context for the window, not yet current. Null, with the reason in `error`, when none can
    // be made (also when the window has no GL visual).
    static std::unique_ptr<GLContext> create(SaverWindow& window, std::string& error);
    ~GLContext();
    GLContext(const GLContext&) = delete;
    GLContext& operator=(const GLContext&) = delete;

    bool makeCurrent();
    void swap();

    // Address of a GL entry point, or null where the driver has none.
    static void* procAddress(const char* name);
    // Asks for a swap interval (1 = wait for the vertical blank); false where refused.
    static bool setSwapInterval(int interval);

private:
    GLContext(SaverWindow& window, void* context) : window_(window), context_(context) {}
    SaverWindow& window_;
    void* context_;
};

// The saver's window: borderless, full-screen on the desktop, black, without a cursor.
// Input is routed to the handlers below by the application's event loop.
//
// It can also wrap a window that another program made (xscreensaver's, a test's): the show is then
// drawn into that window, which stays its owner's: it is never resized, retitled or destroyed here.
#pragma once

#include "platform/glcontext.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class Application;
struct SDL_Window;

// The root window of the display's default screen (an X window id); 0 without a display.
unsigned long rootWindowId();

class SaverWindow {
public:
    // Creates the window hidden and GL-capable, covering the primary display or, with a size, of
    // that size. Raises when no window can be made at all; a window without a GL visual is still
    // made (glCapable() then answers false and the view cannot be created on it).
    SaverWindow(Application& app, const std::string& caption, const GLPixelRequest& pixels = {},
                int width = 0, int height = 0);
    // Wraps the X window `foreignId` of another program so that a GL context can be made on it.
    // Raises when the display cannot be opened or the window cannot be wrapped (it does not exist).
    SaverWindow(Application& app, unsigned long foreignId);
    ~SaverWindow();
    SaverWindow(const SaverWindow&) = delete;
    SaverWindow& operator=(const SaverWindow&) = delete;

    void makeFullScreen();     // maximised over the whole display
    void makeBorderless();
    void makeResizable();      // a normal window the user may resize
    void hideCursor();
    void show();               // shown black, before anything is drawn into it
    void hide();
    bool visible() const { return visible_; }
    void focus();              // input focus and foreground
    void setCaption(const std::string& caption);
    std::string caption() const;
    void clientSize(int& width, int& height) const;
    void setClientSize(int width, int height);

    bool glCapable() const { return glCapable_; }
    int depthBits() const { return depthBits_; }   // what the visual was made with
    bool foreign() const { return foreign_; }

    // A picture shown in the window from (0, 0), repainted whenever the window is exposed, until
    // cleared: rows of red-green-blue bytes, top row first.
    void showPicture(int width, int height, std::vector<uint8_t> rgb);
    void clearPicture();
    bool hasPicture() const { return !picture_.empty(); }
    void repaint();   // what the loop calls when the window is exposed

    std::function<void(int key)> onKeyDown;
    std::function<void(int button)> onMouseDown;
    std::function<void(int x, int y)> onMouseMove;
    std::function<void(int width, int height)> onResize;
    std::function<void()> onClose;

    uint32_t id() const { return id_; }
    SDL_Window* sdlWindow() const { return window_; }   // for the GL context of the view

private:
    void paintBlack();
    void paintPicture();

    Application& app_;
    SDL_Window* window_ = nullptr;
    uint32_t id_ = 0;
    bool visible_ = false;
    bool glCapable_ = false;
    bool foreign_ = false;
    int depthBits_ = 0;
    int pictureWidth_ = 0;
    int pictureHeight_ = 0;
    std::vector<uint8_t> picture_;
};

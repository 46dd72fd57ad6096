// The saver's window: borderless, full-screen on the desktop, black, without a cursor.
// Input is routed to the handlers below by the application's event loop.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

class Application;
struct SDL_Window;

class SaverWindow {
public:
    // Creates the window hidden, covering the primary display. Raises when it cannot be made.
    SaverWindow(Application& app, const std::string& caption);
    ~SaverWindow();
    SaverWindow(const SaverWindow&) = delete;
    SaverWindow& operator=(const SaverWindow&) = delete;

    void makeFullScreen();     // maximised over the whole display
    void makeBorderless();
    void hideCursor();
    void show();               // shown black, before anything is drawn into it
    void hide();
    bool visible() const { return visible_; }
    void focus();              // input focus and foreground
    void setCaption(const std::string& caption);
    std::string caption() const;
    void clientSize(int& width, int& height) const;

    std::function<void(int key)> onKeyDown;
    std::function<void(int button)> onMouseDown;
    std::function<void(int x, int y)> onMouseMove;
    std::function<void(int width, int height)> onResize;
    std::function<void()> onClose;

    uint32_t id() const { return id_; }
    SDL_Window* sdlWindow() const { return window_; }   // for the GL context of the view

private:
    void paintBlack();

    Application& app_;
    SDL_Window* window_ = nullptr;
    uint32_t id_ = 0;
    bool visible_ = false;
};

// The application: the event loop, its idle handler, the error box and the title.
//
// The loop dispatches pending events to the windows that registered for them and, while an idle
// handler is installed, calls it whenever the queue is empty. The handler's "done" flag says
// whether the loop may wait for the next event (true) or should call it again at once (false).
// An error raised by the handler goes to the error box and the loop goes on.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

union SDL_Event;
class SaverWindow;
class Timer;

class Application {
public:
    using IdleHandler = std::function<void(bool& done)>;

    Application();   // events and timers work without a display
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Opens the display (video); false when none can be opened. The error box then goes to stderr.
    bool openDisplay();
    bool hasDisplay() const { return hasDisplay_; }

    void setTitle(const std::string& title) { title_ = title; }
    const std::string& title() const { return title_; }

    void setIdleHandler(IdleHandler handler) { idle_ = std::move(handler); }
    void clearIdleHandler() { idle_ = nullptr; }
    bool hasIdleHandler() const { return static_cast<bool>(idle_); }

    // Runs until terminate(); returns at once if terminate() was already called.
    void run();
    void terminate() { terminated_ = true; }
    bool terminated() const { return terminated_; }

    // Handles the events already waiting, without calling the idle handler.
    void processMessages();

    // The standard error box: the message, the title as caption. Always echoed on stderr, and only
    // there when no display is open.
    void showError(const std::string& message);

    // Called for the quit request of the session (SIGTERM, SIGINT); terminates when unset.
    std::function<void()> onQuit;

    // Runs one idle call the way the loop does, errors into the error box (for tests and run()).
    void idleOnce(bool& done);

    // For the windows and timers of the platform layer.
    void registerWindow(uint32_t id, SaverWindow* window) { windows_[id] = window; }
    void unregisterWindow(uint32_t id) { windows_.erase(id); }
    int registerTimer(Timer* timer);
    void unregisterTimer(int id) { timers_.erase(id); }
    static Application* current() { return current_; }

private:
    void dispatch(const SDL_Event& event);

    std::string title_;
    IdleHandler idle_;
    bool terminated_ = false;
    bool hasDisplay_ = false;
    std::map<uint32_t, SaverWindow*> windows_;
    std::map<int, Timer*> timers_;
    int nextTimerId_ = 1;
    static Application* current_;
};

// A one-shot-repeating timer whose events arrive through the event loop, on the GUI thread.
class Timer {
public:
    explicit Timer(Application& app);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void setInterval(uint32_t ms);
    uint32_t interval() const { return interval_; }
    void setEnabled(bool enabled);
    bool enabled() const { return enabled_; }

    std::function<void()> onTimer;

    void fire();   // what the loop calls when the interval has passed

private:
    void restart();

    Application& app_;
    int id_;
    uint32_t interval_ = 1000;
    bool enabled_ = false;
    int sdlTimer_ = 0;
};

#include "platform/application.h"

#include "platform/window.h"

#include <SDL.h>

#include <cstdio>

Application* Application::current_ = nullptr;

namespace {
Uint32 timerEventType()
{
    static const Uint32 type = SDL_RegisterEvents(1);
    return type;
}
}  // namespace

Application::Application()
{
    // SDL turns SIGINT and SIGTERM into a quit event; the loop handles that like a close request.
    SDL_Init(SDL_INIT_EVENTS | SDL_INIT_TIMER);
    current_ = this;
}

Application::~Application()
{
    if (current_ == this) current_ = nullptr;
    SDL_Quit();
}

bool Application::openDisplay()
{
    if (!hasDisplay_) hasDisplay_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    return hasDisplay_;
}

void Application::idleOnce(bool& done)
{
    if (!idle_) return;
    try {
        idle_(done);
    } catch (const std::exception& e) {
        showError(e.what());
    }
}

void Application::run()
{
    while (!terminated_) {
        SDL_Event event;
        if (idle_) {
            while (!terminated_ && SDL_PollEvent(&event)) dispatch(event);
            if (terminated_) break;
            bool done = true;
            idleOnce(done);
            if (done && !terminated_ && SDL_WaitEvent(&event)) dispatch(event);
        } else if (SDL_WaitEventTimeout(&event, 100)) {
            dispatch(event);
        }
    }
}

void Application::processMessages()
{
    SDL_Event event;
    while (!terminated_ && SDL_PollEvent(&event)) dispatch(event);
}

void Application::showError(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", title_.c_str(), message.c_str());
    if (hasDisplay_) SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title_.c_str(), message.c_str(), nullptr);
}

int Application::registerTimer(Timer* timer)
{
    const int id = nextTimerId_++;
    timers_[id] = timer;
    return id;
}

void Application::dispatch(const SDL_Event& event)
{
    if (event.type == timerEventType()) {
        const auto it = timers_.find(event.user.code);
        if (it != timers_.end()) it->second->fire();
        return;
    }
    if (event.type == SDL_QUIT) {
        if (onQuit) onQuit();
        else terminate();
        return;
    }
    uint32_t windowId = 0;
    switch (event.type) {
    case SDL_KEYDOWN: windowId = event.key.windowID; break;
    case SDL_MOUSEBUTTONDOWN: windowId = event.button.windowID; break;
    case SDL_MOUSEMOTION: windowId = event.motion.windowID; break;
    case SDL_WINDOWEVENT: windowId = event.window.windowID; break;
    default: return;
    }
    const auto it = windows_.find(windowId);
    if (it == windows_.end()) return;
    SaverWindow* w = it->second;
    switch (event.type) {
    case SDL_KEYDOWN:
        if (w->onKeyDown) w->onKeyDown(event.key.keysym.sym);
        break;
    case SDL_MOUSEBUTTONDOWN:
        if (w->onMouseDown) w->onMouseDown(event.button.button);
        break;
    case SDL_MOUSEMOTION:
        if (w->onMouseMove) w->onMouseMove(event.motion.x, event.motion.y);
        break;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED && w->onResize)
            w->onResize(event.window.data1, event.window.data2);
        else if (event.window.event == SDL_WINDOWEVENT_CLOSE && w->onClose)
            w->onClose();
        else if (event.window.event == SDL_WINDOWEVENT_EXPOSED && w->hasPicture())
            w->repaint();
        break;
    }
}

// ---- Timer -----------------------------------------------------------------------------------

namespace {
Uint32 pushTimerEvent(Uint32 interval, void* param)
{
    // On SDL's timer thread: only post an event; the timer's handler runs in the loop.
    SDL_Event event{};
    event.type = timerEventType();
    event.user.code = static_cast<Sint32>(reinterpret_cast<intptr_t>(param));
    SDL_PushEvent(&event);
    return interval;
}
}  // namespace

Timer::Timer(Application& app) : app_(app), id_(app.registerTimer(this)) {}

Timer::~Timer()
{
    setEnabled(false);
    app_.unregisterTimer(id_);
}

void Timer::setInterval(uint32_t ms)
{
    interval_ = ms;
    if (enabled_) restart();
}

void Timer::setEnabled(bool enabled)
{
    if (enabled == enabled_) return;
    enabled_ = enabled;
    restart();
}

void Timer::restart()
{
    if (sdlTimer_) SDL_RemoveTimer(sdlTimer_);
    sdlTimer_ = 0;
    if (enabled_ && interval_ > 0)
        sdlTimer_ = SDL_AddTimer(interval_, pushTimerEvent, reinterpret_cast<void*>(static_cast<intptr_t>(id_)));
}

void Timer::fire()
{
    if (enabled_ && onTimer) onTimer();
}

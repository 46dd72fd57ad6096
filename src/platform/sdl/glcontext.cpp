#include "platform/glcontext.h"

#include "platform/window.h"

#include <SDL.h>

std::unique_ptr<GLContext> GLContext::create(SaverWindow& window, std::string& error)
{
    if (!window.glCapable()) {
        error = "the window has no OpenGL pixel format";
        return nullptr;
    }
    SDL_GLContext context = SDL_GL_CreateContext(window.sdlWindow());
    if (!context) {
        error = SDL_GetError();
        return nullptr;
    }
    // SDL makes a new context current; the view makes it current itself, as a step of its own.
    SDL_GL_MakeCurrent(window.sdlWindow(), nullptr);
    return std::unique_ptr<GLContext>(new GLContext(window, context));
}

GLContext::~GLContext()
{
    if (SDL_GL_GetCurrentContext() == context_) SDL_GL_MakeCurrent(window_.sdlWindow(), nullptr);
    SDL_GL_DeleteContext(context_);
}

bool GLContext::makeCurrent()
{
    return SDL_GL_MakeCurrent(window_.sdlWindow(), context_) == 0;
}

void GLContext::swap()
{
    SDL_GL_SwapWindow(window_.sdlWindow());
}

void* GLContext::procAddress(const char* name)
{
    return SDL_GL_GetProcAddress(name);
}

bool GLContext::setSwapInterval(int interval)
{
    return SDL_GL_SetSwapInterval(interval) == 0;
}

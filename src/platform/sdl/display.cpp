#include "platform/display.h"

#include <SDL.h>

bool enumerateDisplayMode(int index, ScreenMode& mode)
{
    if (!SDL_WasInit(SDL_INIT_VIDEO) || index < 0 || index >= SDL_GetNumDisplayModes(0)) return false;
    SDL_DisplayMode m{};
    if (SDL_GetDisplayMode(0, index, &m) != 0) return false;
    mode.width = m.w;
    mode.height = m.h;
    int bits = static_cast<int>(SDL_BITSPERPIXEL(m.format));
    if (bits == 24 && SDL_BYTESPERPIXEL(m.format) == 4) bits = 32;
    mode.bitsPerPixel = bits;
    mode.frequency = m.refresh_rate;
    return true;
}

bool changeDisplayMode(SaverWindow&, const ScreenMode&)
{
    return false;
}

void restoreDisplayMode() {}

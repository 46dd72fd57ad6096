#include "platform/offscreen.h"

#include <SDL.h>

void useOffscreenVideo()
{
    SDL_setenv("SDL_VIDEODRIVER", "offscreen", 1);
}

void useDiskAudio(const std::string& rawFile)
{
    SDL_setenv("SDL_AUDIODRIVER", "disk", 1);
    SDL_setenv("SDL_DISKAUDIOFILE", rawFile.c_str(), 1);
}

#include "host/contract.h"

#include "platform/system.h"

Saver::~Saver() = default;

Texture* Saver::addTexture(Texture* texture)
{
    textures.push_back(texture);
    return texture;
}

void Saver::load() {}

void Saver::frame()
{
    // Nothing is drawn yet; pace the pump rather than spin a processor on an empty frame.
    sleepMs(10);
}

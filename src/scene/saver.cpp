#include "host/contract.h"

#include "glview/glv.h"

#include "platform/system.h"

#include <GL/glu.h>

Saver::~Saver()
{
    if (quadric) gluDeleteQuadric(quadric);
}

Texture* Saver::addTexture(Texture* texture)
{
    textures.push_back(texture);
    return texture;
}

void Saver::load() {}

void Saver::frame()
{
    // The scene has nothing to draw yet: a black frame, presented, at a modest pace.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (glv) glv->swap();
    sleepMs(10);
}

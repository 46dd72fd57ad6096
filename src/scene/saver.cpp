#include "host/contract.h"

#include "assets/datfile.h"
#include "assets/texture.h"
#include "glview/glv.h"

#include "platform/system.h"

#include <GL/glu.h>

Saver::~Saver()
{
    // Runs while the GL context still exists, so the textures can give back their GL objects.
    if (quadric) gluDeleteQuadric(quadric);
    for (Texture* texture : textures) delete texture;
    delete datFile;
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

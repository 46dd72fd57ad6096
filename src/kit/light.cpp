#include "kit/light.h"

#include "platform/exception.h"

#include <GL/gl.h>

namespace {
int lightsCreated = 0;   // shared by every Light of the process
}

static uint32_t takeLightNumber()
{
    if (lightsCreated >= 8) throw Exception("To many lights");
    return GL_LIGHT0 + static_cast<uint32_t>(lightsCreated++);
}

Light::Light(const Vector3D& position) : light(takeLightNumber()), position(position)
{
    glEnable(GL_LIGHTING);
    glEnable(light);
}

void Light::apply() const
{
    const GLfloat p[4] = {position.x, position.y, position.z, 1};
    glLightfv(light, GL_POSITION, p);
}

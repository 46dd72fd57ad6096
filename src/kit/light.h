// Light: one fixed-function OpenGL light at a position. Light numbers are handed out in creation
// order (GL_LIGHT0 first) and never given back; colours and attenuation keep the GL's defaults.
#pragma once

#include "kit/vector3d.h"

#include <cstdint>

class Light {
public:
    uint32_t light;       // GL_LIGHT0 + n
    Vector3D position;    // copied at construction

    // Takes the next light number ("To many lights" past eight, before any GL call), then enables
    // lighting and the light. Needs the GL context current.
    explicit Light(const Vector3D& position);

    // Sends the position as a positional light (w = 1); the GL transforms it by the model-view
    // matrix current now, so the caller picks the frame by when it calls.
    void apply() const;
};

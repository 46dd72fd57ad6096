#include "intro/intro.h"

// The intro has no pictures yet: it ends at once and the pump goes on to the scene.
void introStart(GLV*) {}

int introFrame()
{
    return 0;
}

#include "glview/glv.h"

GLV::~GLV() = default;

void closeView(GLV* view)
{
    delete view;
    // No display mode is changed yet, so there is nothing to return to.
}

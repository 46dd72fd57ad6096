#include "gl_fixture.h"

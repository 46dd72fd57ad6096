#include "glview/combiners.h"

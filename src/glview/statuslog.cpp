#include "glview/statuslog.h"

// The host's own minimums on a module's requirements: 2 texture units, 512 texels and the
// multitexture extension (added unless named already, in any letter case).
#pragma once

#include "host/contract.h"

void applyHostMinimums(SaverRequirements& requirements);

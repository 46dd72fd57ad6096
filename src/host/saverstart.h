// Saver-mode start helpers.
#pragma once

#include "host/contract.h"
#include "host/shell.h"

// The host's own minimums on a module's requirements: 2 texture units, 512 texels and the
// multitexture extension (added unless named already, in any letter case).
void applyHostMinimums(SaverRequirements& requirements);

// The mode to qualify with: the listed mode of the selected item, or the desktop's (all zero)
// for "desktop resolution" and for no selection.
DisplayMode requestedDisplayMode(int itemIndex);

// Display modes of the primary display.
#pragma once

struct ScreenMode {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;    // a 24-bit format stored in 32-bit pixels counts as 32
    int frequency = 0;       // Hz; 0 when the driver reports none
};

class SaverWindow;

// Mode `index` of the primary display (0 upward); false past the last one or without a display.
bool enumerateDisplayMode(int index, ScreenMode& mode);

// Switches the primary display to `mode` (one that the enumeration returned) for this run only,
// with `window` full screen in it. False when the switch does not succeed.
bool changeDisplayMode(SaverWindow& window, const ScreenMode& mode);

// Returns the display to the desktop mode it had before the first change of this run; does
// nothing when no mode was changed.
void restoreDisplayMode();

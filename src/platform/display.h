// Display modes of the primary display.
#pragma once

struct ScreenMode {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;    // a 24-bit format stored in 32-bit pixels counts as 32
    int frequency = 0;       // Hz; 0 when the driver reports none
};

// Mode `index` of the primary display (0 upward); false past the last one or without a display.
bool enumerateDisplayMode(int index, ScreenMode& mode);

// The display modes offered by the resolution list.
#pragma once

#include "host/form.h"

#include <functional>

// The item text of a mode: "800x600x32  75Hz", or "800x600x32" when the frequency is 0.
std::string modeItemText(const DisplayMode& mode);

// Whether the resolution list offers a mode: more than 8 bits, 601 to 1600 pixels wide.
bool modeIsListed(const DisplayMode& mode);

// Enumerates modes from index 0 until `enumerate` answers false, appending the kept ones to `res`
// and to `modes`, the first kMaxListedModes of them.
void listDisplayModes(ComboBox& res, DisplayMode (&modes)[kMaxListedModes],
                      const std::function<bool(int index, DisplayMode& mode)>& enumerate);

#include "host/modes.h"

std::string modeItemText(const DisplayMode& mode)
{
    std::string text = std::to_string(mode.width) + "x" + std::to_string(mode.height) + "x" +
                       std::to_string(mode.bitsPerPixel);
    if (mode.frequency != 0) text += "  " + std::to_string(mode.frequency) + "Hz";
    return text;
}

bool modeIsListed(const DisplayMode& mode)
{
    return mode.bitsPerPixel > 8 && mode.width > 600 && mode.width < 1601;
}

void listDisplayModes(ComboBox& res, DisplayMode (&modes)[kMaxListedModes],
                      const std::function<bool(int index, DisplayMode& mode)>& enumerate)
{
    int listed = 0;
    DisplayMode mode;
    for (int index = 0; enumerate(index, mode); ++index) {
        if (!modeIsListed(mode)) continue;
        if (listed == kMaxListedModes) break;   // the table is full: the rest is not offered
        res.items.push_back(modeItemText(mode));
        modes[listed++] = mode;
    }
}

// This module's answers to the host's hooks.
#include "host/contract.h"

std::string saverName()
{
    return "Caldrise";
}

bool saverWantsDesktop()
{
    return false;
}

bool saverNeedsDataFile()
{
    return false;
}

bool saverHasSoundOption()
{
    return true;
}

bool saverHasCustomize()
{
    return false;
}

void saverRequirements(SaverRequirements& requirements)
{
    requirements.minCpuMHz = 400;
    requirements.minRamMb = 64;
    requirements.minTextureSize = 1024;
    requirements.minTextureUnits = 2;
    requirements.minTriangleRate = 8000;
    requirements.extensions.push_back("GL_EXT_texture_object");
    requirements.extensions.push_back("GL_NV_register_combiners");
}

void saverDefaultCustomStrings(StringList& lines)
{
    lines.clear();
}

void saverApplyCustomStrings(const StringList& lines)
{
    // The scene has no custom settings: every line is read, comments ("//") and all, and none
    // changes anything.
    for (const std::string& line : lines) {
        if (line.compare(0, 2, "//") == 0) continue;
    }
}

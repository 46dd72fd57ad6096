// The Caldrise module's hooks with one requirement no driver meets, linked into a test-only build
// of the saver so that an end-to-end test can watch a machine fail the qualification.
#include "host/contract.h"

std::string saverName() { return "Caldrise"; }
bool saverWantsDesktop() { return false; }
bool saverNeedsDataFile() { return false; }
bool saverHasSoundOption() { return true; }
bool saverHasCustomize() { return false; }

void saverRequirements(SaverRequirements& requirements)
{
    requirements.minCpuMHz = 400;
    requirements.minRamMb = 64;
    requirements.minTextureSize = 1024;
    requirements.minTextureUnits = 2;
    requirements.minTriangleRate = 8000;
    requirements.extensions = {"GL_EXT_texture_object", "GL_CALDRISE_unobtainable"};
}

void saverDefaultCustomStrings(StringList& lines) { lines.clear(); }
void saverApplyCustomStrings(const StringList&) {}

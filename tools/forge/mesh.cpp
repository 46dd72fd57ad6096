// Placeholder until the station mesh is forged here: writes nothing yet.
#include "forge.h"

bool forgeStationMesh(const std::string&, const std::string&)
{
    return true;
}

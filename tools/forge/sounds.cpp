// Placeholder until the sound bank is forged here: writes nothing yet.
#include "forge.h"

bool forgeSoundBank(const std::string&)
{
    return true;
}

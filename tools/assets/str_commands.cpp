// Placeholder until the sound-bank commands exist.
#include "str_commands.h"

#include <iostream>

int strCommand(const std::vector<std::string>&)
{
    std::cerr << "caldrise-assets: sound banks are not supported yet\n";
    return 2;
}

void strUsage(std::ostream&)
{
}

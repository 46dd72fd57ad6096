// The sound-bank (.str) commands of caldrise-assets. The tool hands over every argument after
// its own name, the command word first (for example {"list", "caldrise.str"}); the archive is
// the first argument after the command that does not begin with "-". strCommand returns the
// tool's exit code: 0 done, 1 bad input data, 2 bad usage. strUsage writes the commands' help.
#pragma once

#include <ostream>
#include <string>
#include <vector>

int strCommand(const std::vector<std::string>& args);
void strUsage(std::ostream& out);

// The archive (.dat) commands of caldrise-assets: pack, list, extract.
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Exit codes of the tool.
constexpr int kExitOk = 0;
constexpr int kExitBadData = 1;
constexpr int kExitBadUsage = 2;

// args: everything after the tool's name, the command first. Reports go to out, errors to err
// (prefixed with the tool's name). Returns one of the exit codes above.
int datCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
void datUsage(std::ostream& out);

// caldrise-assets: packs, lists and extracts the data files. The archive's name decides which
// format is meant: .dat archives of images here, .str sound banks in str_commands.cpp.
#include "datcommands.h"
#include "str_commands.h"

#include <cctype>
#include <exception>
#include <iostream>

namespace {

void usage(std::ostream& out)
{
    out << "Usage: caldrise-assets COMMAND ARCHIVE [ARGUMENTS]\n"
           "The archive's extension picks the format: .dat for images, .str for sound banks.\n"
           "Exit codes: 0 done, 1 bad input data, 2 bad usage.\n\n";
    datUsage(out);
    out << "\n";
    strUsage(out);
}

std::string lowerExtension(const std::string& name)
{
    const auto dot = name.rfind('.');
    const auto slash = name.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = name.substr(dot);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

// The archive: the first argument after the command that is not an option (nor the value of a
// "--quality" written apart from it).
const std::string* findArchive(const std::vector<std::string>& args)
{
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--quality") {
            ++i;
            continue;
        }
        if (args[i].size() > 1 && args[i][0] == '-') continue;
        return &args[i];
    }
    return nullptr;
}

int run(const std::vector<std::string>& args)
{
    if (args.empty()) {
        usage(std::cerr);
        return kExitBadUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        usage(std::cout);
        return kExitOk;
    }
    const std::string* archive = findArchive(args);
    if (!archive) {
        std::cerr << "caldrise-assets: " << args[0] << ": no archive named (see caldrise-assets --help)\n";
        return kExitBadUsage;
    }
    const std::string ext = lowerExtension(*archive);
    if (ext == ".dat") return datCommand(args, std::cout, std::cerr);
    if (ext == ".str") return strCommand(args);
    std::cerr << "caldrise-assets: cannot tell the format of \"" << *archive
              << "\": archives end in .dat (images) or .str (sound banks)\n";
    return kExitBadUsage;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        return run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::cerr << "caldrise-assets: " << e.what() << "\n";
        return kExitBadData;
    }
}

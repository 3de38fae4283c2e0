// The albumhost program's command line.
#pragma once

#include "albumhost.h"

#include <string>
#include <vector>

namespace albumhost {

struct CommandLine {
    HostOptions options;
    bool help = false;
    std::string error; // set: the arguments could not be used
};

// args: the arguments after the program name.
CommandLine parseCommandLine(const std::vector<std::string>& args);
std::string usage();

} // namespace albumhost

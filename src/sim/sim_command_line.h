#pragma once

#include <string>

#include "sim/sim_options.h"

namespace kr5061 {

// What kr5061-sim was asked to do.
struct SimCommandLine {
    SimOptions options;
    std::string linkPath;  // symlink to the slave, empty = none
    bool verbose = false;
    bool help = false;
};

// Parses argv[1..argc-1]. On a bad option returns false with a one-line reason.
bool parseSimCommandLine(int argc, const char* const* argv, SimCommandLine& out,
                         std::string& error);

// Makes room for the --link symlink: removes a symlink left at the path by an
// earlier run, but never replaces anything else (a user's file or folder named
// by mistake). Returns false with a one-line reason when the path is taken.
bool prepareLinkPath(const std::string& linkPath, std::string& error);

// The --help text: every option and what each remote key does.
const char* simHelpText();

}  // namespace kr5061

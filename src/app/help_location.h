#pragma once

#include <filesystem>
#include <vector>

namespace kr5061 {

// Where the user help may be, in the order the Help command tries them: a
// help.chm beside the program first (kept for Windows), then the HTML help
// beside the program (the build tree), then the installed help
// (<prefix>/share/kr5061/help when the program is <prefix>/bin/kr5061).
std::vector<std::filesystem::path> helpCandidates(const std::filesystem::path& programDir);

// The first candidate that is a regular file, or an empty path when none is.
std::filesystem::path findHelpFile(const std::filesystem::path& programDir);

}  // namespace kr5061

#include "app/help_location.h"

#include <system_error>

namespace kr5061 {

std::vector<std::filesystem::path> helpCandidates(const std::filesystem::path& programDir) {
    // "/usr/bin/" names the same folder as "/usr/bin".
    const std::filesystem::path dir =
        programDir.has_filename() ? programDir : programDir.parent_path();
    const std::filesystem::path shared = dir.parent_path() / "share";
    return {
        dir / "help.chm",
        dir / "help" / "index.html",
        shared / "kr5061" / "help" / "index.html",
        shared / "doc" / "kr5061" / "help" / "index.html",
    };
}

std::filesystem::path findHelpFile(const std::filesystem::path& programDir) {
    for (const std::filesystem::path& candidate : helpCandidates(programDir)) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec)) {
            return candidate;
        }
    }
    return {};
}

}  // namespace kr5061

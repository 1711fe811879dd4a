#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace kr5061 {

// The name a save dialog gave back, made to end in one of the `accepted`
// extensions (".csv", compared without regard to case). Names that do not
// already end in one get `fallback` appended; the dialog's own default suffix
// is no help here, since it skips every name that holds a dot, and the
// suggested names ("26-12-08 06.13.53") do. Empty stays empty (cancelled).
std::string withExtension(std::string_view chosen, std::initializer_list<std::string_view> accepted,
                          std::string_view fallback);

// Where a save dialog's answer is written, and whether the user must still be
// asked first. The dialog asks before replacing the name it returns; when the
// extension is added after it, the final name is another file, which may
// exist too, so that one is asked about here. Empty path: cancelled.
struct SaveTarget {
    std::string path;
    bool askToReplace = false;
};
SaveTarget saveTargetFor(std::string_view chosen, std::initializer_list<std::string_view> accepted,
                         std::string_view fallback);

// What an exported graph file holds, decided by its extension.
enum class GraphFileFormat { Png, Pdf };
GraphFileFormat graphFileFormatOf(std::string_view path);

}  // namespace kr5061

#include "store/export_path.h"

#include <filesystem>

#include "common/ascii_text.h"

namespace kr5061 {

namespace {

// A name that is only the extension does not count as ending in it.
bool endsWithNoCase(std::string_view text, std::string_view tail) {
    return text.size() > tail.size() && equalsNoCase(text.substr(text.size() - tail.size()), tail);
}

}  // namespace

std::string withExtension(std::string_view chosen, std::initializer_list<std::string_view> accepted,
                          std::string_view fallback) {
    if (chosen.empty()) {
        return {};
    }
    for (std::string_view ext : accepted) {
        if (endsWithNoCase(chosen, ext)) {
            return std::string(chosen);
        }
    }
    std::string name(chosen);
    if (name.back() == '.' && !fallback.empty() && fallback.front() == '.') {
        name.pop_back();  // "run." means "run" with the extension, not "run..csv"
    }
    return name + std::string(fallback);
}

SaveTarget saveTargetFor(std::string_view chosen, std::initializer_list<std::string_view> accepted,
                         std::string_view fallback) {
    SaveTarget target{withExtension(chosen, accepted, fallback)};
    std::error_code ec;
    target.askToReplace = target.path != chosen && std::filesystem::exists(target.path, ec);
    return target;
}

GraphFileFormat graphFileFormatOf(std::string_view path) {
    return endsWithNoCase(path, ".pdf") ? GraphFileFormat::Pdf : GraphFileFormat::Png;
}

}  // namespace kr5061

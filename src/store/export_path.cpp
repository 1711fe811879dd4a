#include "store/export_path.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace kr5061 {

namespace {

bool endsWithNoCase(std::string_view text, std::string_view tail) {
    return text.size() > tail.size() &&
           std::equal(tail.rbegin(), tail.rend(), text.rbegin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
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

#pragma once

#include <string_view>

namespace kr5061 {

// The program's few text rules, for the plain ASCII of settings files, dialog
// fields and file names, whatever the process locale.

constexpr char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Equal but for the case of ASCII letters.
constexpr bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

constexpr bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// Without the blanks (spaces and tabs) at either end.
constexpr std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

}  // namespace kr5061

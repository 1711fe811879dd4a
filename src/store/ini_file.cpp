#include "store/ini_file.h"

#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>
#include <vector>

#include "common/ascii_text.h"
#include "store/atomic_file.h"

namespace kr5061 {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// One line of the file with its own terminator ("\r\n", "\n", or "" for an
// unterminated last line), so untouched lines are written back byte for byte.
struct Line {
    std::string text;
    std::string eol;
};

enum class Kind { kBlank, kComment, kSection, kKey, kOther };

struct Parsed {
    Kind kind = Kind::kOther;
    std::string_view name;
    std::string_view value;   // raw, untrimmed text after '=' (keys only)
    std::size_t valueAt = 0;  // offset of the value after the blanks that follow '='
};

Parsed parseLine(std::string_view text) {
    Parsed p;
    const std::string_view t = trimBlanks(text);
    if (t.empty()) {
        p.kind = Kind::kBlank;
    } else if (t.front() == ';') {
        p.kind = Kind::kComment;
    } else if (t.front() == '[' && t.find(']') != std::string_view::npos) {
        p.kind = Kind::kSection;
        p.name = trimBlanks(t.substr(1, t.find(']') - 1));
    } else if (const auto eq = text.find('='); eq != std::string_view::npos) {
        p.kind = Kind::kKey;
        p.name = trimBlanks(text.substr(0, eq));
        p.value = text.substr(eq + 1);
        std::size_t at = eq + 1;
        while (at < text.size() && isBlank(text[at]))
            ++at;
        p.valueAt = at;
    }
    return p;
}

// Editors on Windows like to start the file with a byte-order mark; it must not
// hide the first section header.
Parsed parseAt(const std::vector<Line>& lines, std::size_t i) {
    const std::string_view text = lines[i].text;
    const std::size_t skip = (i == 0 && text.starts_with(kUtf8Bom)) ? kUtf8Bom.size() : 0;
    Parsed p = parseLine(text.substr(skip));
    p.valueAt += skip;
    return p;
}

enum class Load { kOk, kMissing, kError };

Load loadLines(const fs::path& file, std::vector<Line>& lines) {
    std::error_code ec;
    const fs::file_status st = fs::status(file, ec);
    if (st.type() == fs::file_type::not_found)
        return Load::kMissing;
    if (ec || st.type() != fs::file_type::regular)
        return Load::kError;

    std::ifstream in(file, std::ios::binary);
    if (!in)
        return Load::kError;
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return Load::kError;

    std::size_t start = 0;
    while (start < data.size()) {
        const std::size_t nl = data.find('\n', start);
        Line line;
        if (nl == std::string::npos) {
            line.text = data.substr(start);
            start = data.size();
        } else {
            std::size_t end = nl;
            line.eol = "\n";
            if (end > start && data[end - 1] == '\r') {
                --end;
                line.eol = "\r\n";
            }
            line.text = data.substr(start, end - start);
            start = nl + 1;
        }
        lines.push_back(std::move(line));
    }
    return Load::kOk;
}

// Where a key lives: its section header, its own line, and the line before
// which a new key of that section belongs (after the section's last entry).
struct Location {
    std::size_t header = kNone;
    std::size_t keyLine = kNone;
    std::size_t insertAt = kNone;
};

Location locate(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
    Location loc;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Parsed p = parseAt(lines, i);
        if (p.kind == Kind::kSection) {
            if (loc.header != kNone)
                break;  // left the first matching section
            if (equalsNoCase(p.name, section)) {
                loc.header = i;
                loc.insertAt = i + 1;
            }
            continue;
        }
        if (loc.header == kNone)
            continue;
        if (p.kind == Kind::kKey && equalsNoCase(p.name, key)) {
            loc.keyLine = i;
            break;
        }
        if (p.kind == Kind::kKey || p.kind == Kind::kOther)
            loc.insertAt = i + 1;
    }
    return loc;
}

std::optional<std::string> lookup(const fs::path& file, std::string_view section,
                                  std::string_view key) {
    std::vector<Line> lines;
    if (loadLines(file, lines) != Load::kOk)
        return std::nullopt;
    const Location loc = locate(lines, trimBlanks(section), trimBlanks(key));
    if (loc.keyLine == kNone)
        return std::nullopt;
    return std::string(parseAt(lines, loc.keyLine).value);
}

std::string cut(std::string_view s) {
    return std::string(s.substr(0, kProfileTextMax));
}

bool hasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

// Replaces target with data through a temporary file beside it, so readers
// see either the old or the new file, never a half-written one; synced like a
// saved measurement file, so the settings survive a power cut after a close.
bool replaceFile(const fs::path& target, const std::string& data) {
    if (const fs::path dir = target.parent_path(); !dir.empty()) {
        std::error_code ec;
        fs::create_directories(dir, ec);
        if (ec)
            return false;
    }
    return writeFileAtomically(target, data.data(), data.size(), nullptr);
}

std::string lineEndingOf(const std::vector<Line>& lines) {
    for (const Line& l : lines) {
        if (!l.eol.empty())
            return l.eol;
    }
    return "\n";
}

}  // namespace

int readProfileInt(const fs::path& file, std::string_view section, std::string_view key,
                   int defaultValue) {
    const auto raw = lookup(file, section, key);
    if (!raw)
        return defaultValue;
    std::string_view s = trimBlanks(*raw);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || s.front() < '0' || s.front() > '9')
        return defaultValue;
    std::uint64_t magnitude = 0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude);
    (void)ptr;
    if (ec != std::errc())
        return defaultValue;
    const std::uint64_t limit = negative ? std::uint64_t{INT_MAX} + 1 : std::uint64_t{INT_MAX};
    if (magnitude > limit)
        return defaultValue;
    const auto value = static_cast<std::int64_t>(magnitude);
    return static_cast<int>(negative ? -value : value);
}

std::string readProfileString(const fs::path& file, std::string_view section, std::string_view key,
                              std::string_view defaultValue) {
    const auto raw = lookup(file, section, key);
    if (!raw)
        return cut(defaultValue);
    std::string_view s = *raw;
    s = trimBlanks(s.substr(0, s.find('\0')));  // the text ends at a NUL, as in a C buffer
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        s = s.substr(1, s.size() - 2);
    return cut(s);
}

bool writeProfileString(const fs::path& file, std::string_view section, std::string_view key,
                        std::string_view value) {
    section = trimBlanks(section);
    key = trimBlanks(key);
    if (section.empty() || key.empty() || hasLineBreak(section) || hasLineBreak(key) ||
        hasLineBreak(value) || section.find(']') != std::string_view::npos ||
        key.find('=') != std::string_view::npos || key.front() == ';' || key.front() == '[') {
        return false;
    }

    // Write through a symbolic link rather than replacing the link itself.
    fs::path target = file;
    std::error_code ec;
    if (fs::is_symlink(file, ec)) {
        const fs::path resolved = fs::weakly_canonical(file, ec);
        if (!ec)
            target = resolved;
    }

    std::vector<Line> lines;
    const Load load = loadLines(target, lines);
    if (load == Load::kError)
        return false;  // never overwrite what we could not read
    const std::string eol = lineEndingOf(lines);
    const Location loc = locate(lines, section, key);

    if (loc.keyLine != kNone) {
        Line& line = lines[loc.keyLine];
        line.text.resize(parseAt(lines, loc.keyLine).valueAt);
        line.text.append(value);
    } else {
        // A new line goes after a possibly unterminated one: terminate it first.
        const std::size_t at = loc.header != kNone ? loc.insertAt : lines.size();
        if (at > 0 && lines[at - 1].eol.empty())
            lines[at - 1].eol = eol;
        std::vector<Line> added;
        if (loc.header == kNone) {
            if (!lines.empty() && parseAt(lines, lines.size() - 1).kind != Kind::kBlank) {
                added.push_back({"", eol});
            }
            added.push_back({"[" + std::string(section) + "]", eol});
        }
        added.push_back({std::string(key) + "=" + std::string(value), eol});
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), added.begin(), added.end());
    }

    std::string data;
    for (const Line& l : lines) {
        data += l.text;
        data += l.eol;
    }
    return replaceFile(target, data);
}

}  // namespace kr5061

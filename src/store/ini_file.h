#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace kr5061 {

// Private-profile access to an INI file. Every call reads the file anew, so
// readers always see what the last writer left behind.
//
// Names of sections and keys compare case-insensitively (ASCII) and blanks
// around them and around '=' are ignored. The first matching section and the
// first matching key inside it win. Lines starting with ';' are comments.

// Longest text a read returns: a 260-character buffer including its terminator.
inline constexpr std::size_t kProfileTextMax = 259;

// The value's leading decimal integer ("12abc" reads 12). An absent key or file,
// an empty or non-numeric value, or one outside the int range yields defaultValue.
int readProfileInt(const std::filesystem::path& file, std::string_view section,
                   std::string_view key, int defaultValue);

// The value with surrounding blanks and one pair of surrounding double quotes
// removed, cut to kProfileTextMax characters. Absent: defaultValue (also cut).
std::string readProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view defaultValue);

// Sets key=value, creating the directory, file, section and key as needed.
// Every other line stays byte for byte, and so does the file's line-ending
// style (new files use LF). The new content replaces the file through a
// temporary file and a rename, so a failed write leaves the old file intact.
// Returns false on any failure, and for names or values the format cannot hold
// (empty names, line breaks, ']' in a section, '=' in a key, line breaks in a value).
bool writeProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value);

}  // namespace kr5061

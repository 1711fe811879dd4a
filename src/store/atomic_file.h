#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kr5061 {

// Files above this size cannot be measurement files (10010 records are about
// 200 kB); they are refused before anything is read.
inline constexpr std::uintmax_t kMaxReadFileBytes = 64u * 1024u * 1024u;

// Replaces `path` with exactly `size` bytes: written to a temporary file in
// the same folder, its data synced to disk, renamed over the target, then
// the folder synced so the rename survives a power cut too. On failure
// the target keeps its previous contents (or stays absent), the temporary is
// removed, and `error` (if given) names the file and the reason.
bool writeFileAtomically(const std::filesystem::path& path, const void* data, std::size_t size,
                         std::string* error);

// Reads a regular file of at most kMaxReadFileBytes, opened read-only.
bool readWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& out,
                   std::string* error);

}  // namespace kr5061

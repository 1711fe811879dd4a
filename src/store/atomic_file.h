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

enum class NewFile { kWritten, kExists, kFailed };

// Writes `path` with exactly `size` bytes only when no file of that name
// exists, never replacing one, not even one created by another process at the
// same moment: the bytes go to a temporary file in the same folder, synced,
// which then takes the name only if it is free (an atomic no-replace rename,
// or a hard link where the file system has no such rename). kExists leaves
// everything as it was; kFailed says why in `error`.
NewFile writeNewFile(const std::filesystem::path& path, const void* data, std::size_t size,
                     std::string* error);

// Reads a regular file of at most kMaxReadFileBytes, opened read-only.
bool readWholeFile(const std::filesystem::path& path, std::vector<std::uint8_t>& out,
                   std::string* error);

}  // namespace kr5061

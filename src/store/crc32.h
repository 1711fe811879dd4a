#pragma once

#include <cstddef>
#include <cstdint>

namespace kr5061 {

// CRC-32 as zlib and PNG compute it (reflected polynomial 0xEDB88320, initial
// value and final XOR 0xFFFFFFFF). Chain calls by passing the previous result
// as `crc`; crc32(0, "123456789", 9) is 0xCBF43926.
std::uint32_t crc32(std::uint32_t crc, const void* data, std::size_t size);

}  // namespace kr5061

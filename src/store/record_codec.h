#pragma once

// Little-endian fields and CRC-sealed fixed-size records, as the run journal
// stores them. Any durable file of records (the journal, an outbox) uses
// these, so there is one way to write and check a record.

#include <cstddef>
#include <cstdint>

#include "store/crc32.h"

namespace kr5061::codec {

inline void putU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void putI32(std::uint8_t* p, std::int32_t v) {
    putU32(p, static_cast<std::uint32_t>(v));
}
inline void putI64(std::uint8_t* p, std::int64_t v) {
    const auto u = static_cast<std::uint64_t>(v);
    putU32(p, static_cast<std::uint32_t>(u));
    putU32(p + 4, static_cast<std::uint32_t>(u >> 32));
}
inline std::uint32_t getU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline std::int32_t getI32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(getU32(p));
}
inline std::int64_t getI64(const std::uint8_t* p) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(getU32(p)) |
                                     static_cast<std::uint64_t>(getU32(p + 4)) << 32);
}

// A record of `size` bytes (at least 4) carries the CRC-32 of its other bytes
// in its last four.
inline void sealRecord(std::uint8_t* record, std::size_t size) {
    putU32(record + size - 4, crc32(0, record, size - 4));
}
inline bool recordIntact(const std::uint8_t* record, std::size_t size) {
    return getU32(record + size - 4) == crc32(0, record, size - 4);
}

// Never written: every byte zero (the room a preallocated file reserves).
inline bool recordBlank(const std::uint8_t* record, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i)
        if (record[i] != 0)
            return false;
    return true;
}

}  // namespace kr5061::codec

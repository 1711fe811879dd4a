#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "link/frames.h"

namespace kr5061 {

using LiveFrame = std::array<std::uint8_t, kLiveFrameSize>;

// Splits the byte stream from the instrument into live frames. Bytes are
// accumulated across reads; the reader resynchronises on the header, hands out
// every complete frame in order and drops whatever cannot start a frame.
// Fixed capacity: nothing is allocated after construction.
class FrameReader {
public:
    static constexpr std::size_t kCapacity = 1024;

    // Takes as many bytes as fit and returns how many were taken; call
    // nextFrame() until it returns false, then feed the rest.
    std::size_t feed(const std::uint8_t* data, std::size_t size);

    // Extracts the next complete frame, discarding garbage before it.
    bool nextFrame(LiveFrame& out);

    std::size_t buffered() const { return m_end - m_begin; }
    std::uint64_t discardedBytes() const { return m_discarded; }
    void clear();

private:
    void drop(std::size_t count);

    std::array<std::uint8_t, kCapacity> m_buf{};
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    std::uint64_t m_discarded = 0;
};

}  // namespace kr5061

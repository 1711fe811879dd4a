#include "link/frame_reader.h"

#include <algorithm>
#include <cstring>

namespace kr5061 {

std::size_t FrameReader::feed(const std::uint8_t* data, std::size_t size) {
    if (m_begin > 0) {
        std::memmove(m_buf.data(), m_buf.data() + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
    }
    const std::size_t taken = std::min(size, kCapacity - m_end);
    std::memcpy(m_buf.data() + m_end, data, taken);
    m_end += taken;
    return taken;
}

void FrameReader::drop(std::size_t count) {
    m_begin += count;
    m_discarded += count;
}

bool FrameReader::nextFrame(LiveFrame& out) {
    while (m_begin < m_end) {
        const std::uint8_t* start = m_buf.data() + m_begin;
        const std::size_t avail = m_end - m_begin;
        const auto* head = static_cast<const std::uint8_t*>(std::memchr(start, kLiveHeader[0], avail));
        if (head == nullptr) {
            drop(avail);
            return false;
        }
        drop(static_cast<std::size_t>(head - start));
        const std::size_t left = m_end - m_begin;
        const std::size_t headerBytes = std::min(left, sizeof kLiveHeader);
        if (std::memcmp(head, kLiveHeader, headerBytes) != 0) {
            drop(1);
            continue;
        }
        if (left < kLiveFrameSize) {
            return false;  // a frame may be under way: wait for the rest
        }
        if (head[kLiveTrailerOffset] != kLiveTrailer) {
            drop(1);
            continue;
        }
        std::memcpy(out.data(), head, kLiveFrameSize);
        m_begin += kLiveFrameSize;
        return true;
    }
    return false;
}

void FrameReader::clear() {
    m_begin = 0;
    m_end = 0;
}

}  // namespace kr5061

#include "sim/command_receiver.h"

#include <algorithm>

namespace kr5061 {

CommandReceiver::Verdict CommandReceiver::check() const {
    static constexpr std::uint8_t kHead[3] = {0xFF, 0xAA, 0x55};
    for (std::size_t i = 0; i < std::min<std::size_t>(m_length, 3); ++i) {
        if (m_buffer[i] != kHead[i]) {
            return Verdict::bad;
        }
    }
    if (m_length < m_buffer.size()) {
        return Verdict::incomplete;
    }
    unsigned sum = 0;
    for (std::size_t i = 3; i <= 7; ++i) {
        sum += m_buffer[i];
    }
    const unsigned sent = m_buffer[8] | (static_cast<unsigned>(m_buffer[9]) << 8);
    return m_buffer[10] == 0xFF && (sum & 0xFFFFu) == sent ? Verdict::complete : Verdict::bad;
}

CommandReceiver::Result CommandReceiver::push(std::uint8_t byte) {
    Result result;
    m_buffer[m_length++] = byte;
    while (m_length > 0) {
        const Verdict verdict = check();
        if (verdict == Verdict::incomplete) {
            break;
        }
        if (verdict == Verdict::complete) {
            m_frame = m_buffer;
            m_length = 0;
            result.frameReady = true;
            break;
        }
        if (m_length == m_buffer.size()) {
            result.frameRejected = true;
        }
        // The first byte cannot start a frame: it is either a poll or noise.
        if (m_buffer[0] == kPollByte) {
            ++result.polls;
        }
        std::copy(m_buffer.begin() + 1, m_buffer.begin() + static_cast<std::ptrdiff_t>(m_length),
                  m_buffer.begin());
        --m_length;
    }
    return result;
}

}  // namespace kr5061

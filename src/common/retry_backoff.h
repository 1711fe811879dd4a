#pragma once

#include <algorithm>

namespace kr5061 {

// Waits between attempts to reach something that is away (a broker, a
// serial port): 1 s after the first failure, doubling to at most 60 s, and
// from 1 s again once it answered.
class RetryBackoff {
public:
    static constexpr int kFirstDelayMs = 1000;
    static constexpr int kMaxDelayMs = 60000;

    // The wait before the next attempt, after an attempt failed or a
    // connection was lost.
    int nextDelayMs() {
        const int delay = m_nextMs;
        m_nextMs = std::min(m_nextMs * 2, kMaxDelayMs);
        return delay;
    }
    void succeeded() { m_nextMs = kFirstDelayMs; }

private:
    int m_nextMs = kFirstDelayMs;
};

}  // namespace kr5061

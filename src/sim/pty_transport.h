#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kr5061 {

// The instrument's end of a pseudo-terminal. The program opens slavePath() as
// its serial port. We keep a slave descriptor of our own, in raw mode, so the
// line discipline passes every byte unchanged (no echo, no CR/LF mapping, no
// XON/XOFF on 0x11/0x13), and so reads on the master never fail with EIO while
// the program closes and reopens its port.
class PtyTransport {
public:
    PtyTransport() = default;
    ~PtyTransport();
    PtyTransport(const PtyTransport&) = delete;
    PtyTransport& operator=(const PtyTransport&) = delete;

    // Opens a new pseudo-terminal; on failure returns false and says why.
    bool open(std::string* error = nullptr);
    bool isOpen() const { return m_master >= 0; }
    const std::string& slavePath() const { return m_slavePath; }

    // Waits up to timeoutMs for bytes from the program. Returns the count read,
    // 0 on timeout, -1 when the transport is closed or failed.
    long readSome(std::uint8_t* buf, std::size_t cap, int timeoutMs);

    // Writes all n bytes. Returns false when the transport is closed or failed.
    bool writeAll(const std::uint8_t* data, std::size_t n);

    // Closes both ends: the program sees its port hang up.
    void hangUp();

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

// Time one byte occupies a 4800 baud 8N1 line (10 bits), in microseconds.
inline constexpr std::int64_t kByteTimeUs = 10 * 1000000 / 4800;

}  // namespace kr5061

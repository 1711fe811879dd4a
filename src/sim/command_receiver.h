#pragma once

#include <cstddef>
#include <cstdint>

#include "link/frames.h"

namespace kr5061 {

// Splits the byte stream from the program into 11-byte command frames and
// stand-alone poll bytes. A frame needs FF AA 55 at its start, FF at its end and
// a matching checksum; on any mismatch the first buffered byte is dropped and
// the rest is scanned again, so a frame hidden behind noise or a broken frame
// is still found. A 0x11 counts as a poll only outside a frame.
class CommandReceiver {
public:
    struct Result {
        int polls = 0;               // stand-alone poll bytes recognised by this byte
        bool frameReady = false;     // frame() holds a complete, valid frame
        bool frameRejected = false;  // an 11-byte candidate failed trailer or checksum
    };

    Result push(std::uint8_t byte);

    // The last complete frame; valid after a push that returned frameReady.
    const CommandFrame& frame() const { return m_frame; }

    void reset() { m_length = 0; }

private:
    enum class Verdict { incomplete, complete, bad };
    Verdict check() const;

    CommandFrame m_buffer{};
    std::size_t m_length = 0;
    CommandFrame m_frame{};
};

}  // namespace kr5061

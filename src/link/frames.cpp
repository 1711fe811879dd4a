#include "link/frames.h"

#include <cstring>

namespace kr5061 {

CommandFrame buildCommandFrame(std::uint8_t command, std::uint8_t arg1, std::uint8_t arg2) {
    CommandFrame f = {0xFF, 0xAA, 0x55, command, arg1, arg2, 0x00, 0x00, 0x00, 0x00, 0xFF};
    unsigned sum = 0;
    for (std::size_t i = 3; i <= 7; ++i) {
        sum += f[i];
    }
    sum &= 0xFFFFu;
    f[8] = static_cast<std::uint8_t>(sum & 0xFFu);
    f[9] = static_cast<std::uint8_t>(sum >> 8);
    return f;
}

CommandFrame startCommandFrame() { return buildCommandFrame(kCmdStart, kCmdStart); }

CommandFrame keyFrame(std::uint8_t keyCode) {
    return buildCommandFrame(kCmdKey, keyCode, keyCode == 0x46 ? 0x46 : 0x00);
}

bool liveHeaderOk(const std::uint8_t* data, std::size_t size) {
    if (size <= kLiveTrailerOffset) {
        return false;
    }
    return std::memcmp(data, kLiveHeader, sizeof kLiveHeader) == 0 &&
           data[kLiveTrailerOffset] == kLiveTrailer;
}

float readFloatLE(const std::uint8_t* p) {
    const std::uint32_t bits = static_cast<std::uint32_t>(p[0]) |
                               (static_cast<std::uint32_t>(p[1]) << 8) |
                               (static_cast<std::uint32_t>(p[2]) << 16) |
                               (static_cast<std::uint32_t>(p[3]) << 24);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void writeFloatLE(std::uint8_t* p, float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
}

}  // namespace kr5061

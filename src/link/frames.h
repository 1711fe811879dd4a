#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kr5061 {

using CommandFrame = std::array<std::uint8_t, 11>;

inline constexpr std::uint8_t kPollByte = 0x11;

inline constexpr std::uint8_t kCmdStart = 0x63;  // 'c'
inline constexpr std::uint8_t kCmdKey = 0x6B;    // 'k'
inline constexpr std::uint8_t kCmdIrt = 0x69;    // 'i'

// FF AA 55 cmd arg1 arg2 00 00 sumLo sumHi FF; the sum covers bytes 3..7.
CommandFrame buildCommandFrame(std::uint8_t command, std::uint8_t arg1, std::uint8_t arg2 = 0);

// FF AA 55 63 63 00 00 00 C6 00 FF
CommandFrame startCommandFrame();

// A remote key press; key code 0x46 repeats itself in byte 5.
CommandFrame keyFrame(std::uint8_t keyCode);

// Live frame from the instrument: 46 bytes, little-endian floats.
inline constexpr std::size_t kLiveFrameSize = 46;
inline constexpr std::uint8_t kLiveHeader[5] = {0xAA, 0x61, 0x64, 0x6A, 0x67};
inline constexpr std::size_t kLiveTrailerOffset = 44;
inline constexpr std::uint8_t kLiveTrailer = 0x67;

inline constexpr std::size_t kOffRangeMarker = 6;
inline constexpr std::size_t kOffStatusA = 7;
inline constexpr std::size_t kOffStatusB = 8;
inline constexpr std::size_t kOffAir = 9;
inline constexpr std::size_t kOffWetBulb = 13;
inline constexpr std::size_t kOffDewPoint = 17;
inline constexpr std::size_t kOffHumidity = 21;
inline constexpr std::size_t kOffSurface = 25;
inline constexpr std::size_t kOffDisplay1 = 29;
inline constexpr std::size_t kOffDisplay2 = 33;
inline constexpr std::size_t kOffDisplay3 = 37;

inline constexpr std::uint8_t kRangeOver = 0x64;
inline constexpr std::uint8_t kRangeUnder = 0x9C;

// True when the buffer holds at least 45 bytes with the right header and trailer.
bool liveHeaderOk(const std::uint8_t* data, std::size_t size);

float readFloatLE(const std::uint8_t* p);
void writeFloatLE(std::uint8_t* p, float value);

}  // namespace kr5061

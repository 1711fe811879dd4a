#pragma once

#include <cstddef>

namespace kr5061 {

// The five measurement channels, always handled in this order.
enum Channel : int { kAir = 0, kWetBulb = 1, kDewPoint = 2, kSurface = 3, kHumidity = 4 };

inline constexpr int kChannelCount = 5;

// Every sample block (live store, recall buffer, logger set) holds this many samples.
inline constexpr int kSampleCapacity = 10010;

// Stored form of an absent K/IR reading; the live frame carries it as kAbsentFrameReading.
inline constexpr float kAbsentReading = -9000.0f;
inline constexpr float kAbsentFrameReading = -1000.0f;

// A stored K/IR value at or below the frame's absent marker stands for no reading.
inline constexpr bool isAbsentSurface(float stored) {
    return stored <= kAbsentFrameReading;
}

}  // namespace kr5061

#pragma once

#include <cmath>

#include "common/channels.h"

namespace kr5061 {

// The real-time benchmarks' readings: a slowly drifting room on one decimal,
// as the instrument sends them. Sample i of channel ch.
inline float benchReading(int ch, int i) {
    const double t = i / 400.0;
    const auto tenth = [](double v) { return static_cast<float>(std::round(v * 10) / 10); };
    switch (ch) {
        case kAir:
            return tenth(23 + 3 * std::sin(t));
        case kWetBulb:
            return tenth(23 + 3 * std::sin(t)) - 5.0f;
        case kDewPoint:
            return tenth(15 + std::cos(t));
        case kSurface:
            return tenth(45 + 8 * std::sin(3 * t));
        default:
            return tenth(50 + 9 * std::cos(2 * t));
    }
}

// Fills samples 0..count-1 of a channel-major store with benchReading.
template <typename Store>
void fillBenchStore(Store& live, int count) {
    for (int ch = 0; ch < kChannelCount; ++ch) {
        for (int i = 0; i < count; ++i) {
            live[ch][i] = benchReading(ch, i);
        }
    }
}

}  // namespace kr5061

#pragma once

#include <cstdint>

#include "common/pixel_rect.h"
#include "common/run_state.h"

namespace kr5061 {

// What an alarm square currently shows.
enum class SquareFill : std::uint8_t { Idle, Red, Background };

struct SquareColour {
    int r, g, b;
    bool operator==(const SquareColour&) const = default;
};

inline constexpr SquareColour kIdleSquare{181, 181, 181};
inline constexpr SquareColour kRedSquare{255, 0, 0};
inline constexpr SquareColour kBarBackground{240, 240, 240};

SquareColour squareColour(SquareFill fill);

inline constexpr int kIndicatorCount = 2 * kChannelCount;
inline constexpr int kBlinkPeriodMs = 100;

// Indicators are numbered by their blink timer ids, 1..10: a channel's high
// square is 2 * channel + 1, its low square the id after it.
constexpr int indicatorId(int channel, bool high) {
    return 2 * channel + (high ? 1 : 2);
}
constexpr int indicatorChannel(int id) {
    return (id - 1) / 2;
}
constexpr bool indicatorIsHigh(int id) {
    return id % 2 == 1;
}

// The 15 x 15 square of an indicator on the bar's client area.
PixelRect indicatorRect(int id);

// Blink phases and what each square shows. The phases start at 1 and are never
// reset, so only the program's first alarm of a square is sure to begin red.
struct AlarmBlink {
    std::uint8_t g_hiBlink[kChannelCount] = {1, 1, 1, 1, 1};
    std::uint8_t g_loBlink[kChannelCount] = {1, 1, 1, 1, 1};
    SquareFill m_shown[kIndicatorCount + 1] = {};  // by id; slot 0 unused
    bool m_timerOn[kIndicatorCount + 1] = {};

    SquareFill shown(int id) const { return m_shown[id]; }
    bool timerOn(int id) const { return m_timerOn[id]; }
};

// A paint of the bar: a square whose alarm is off turns grey and its blink
// timer stops; a square whose alarm is on keeps what it shows and gets its
// timer running, so the blinking is left to the timer.
void paintAlarms(AlarmBlink& blink, const MainFrameState& frame);

// One blink tick of timer `id`: phase 1 shows red, phase 0 the background, and
// the phase flips. Returns false for an id whose timer is not running, which
// changes nothing.
bool blinkTick(AlarmBlink& blink, int id);

}  // namespace kr5061

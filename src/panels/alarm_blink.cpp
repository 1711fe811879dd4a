#include "panels/alarm_blink.h"

namespace kr5061 {

namespace {

constexpr int kSquareSize = 15;
constexpr int kHighSquareX = 378, kLowSquareX = 485;
constexpr int kSquareTop = 3, kSquarePitch = 30;

bool validId(int id) {
    return id >= 1 && id <= kIndicatorCount;
}

}  // namespace

SquareColour squareColour(SquareFill fill) {
    switch (fill) {
        case SquareFill::Red:
            return kRedSquare;
        case SquareFill::Background:
            return kBarBackground;
        case SquareFill::Idle:
            break;
    }
    return kIdleSquare;
}

PixelRect indicatorRect(int id) {
    const int x = indicatorIsHigh(id) ? kHighSquareX : kLowSquareX;
    return rectAt(x, kSquareTop + kSquarePitch * indicatorChannel(id), kSquareSize, kSquareSize);
}

void paintAlarms(AlarmBlink& blink, const MainFrameState& frame) {
    for (int ch = 0; ch < kChannelCount; ++ch) {
        for (const bool high : {true, false}) {
            const int id = indicatorId(ch, high);
            const bool on = high ? frame.m_hiAlarm[ch] : frame.m_loAlarm[ch];
            blink.m_timerOn[id] = on;
            if (!on) {
                blink.m_shown[id] = SquareFill::Idle;
            }
        }
    }
}

bool blinkTick(AlarmBlink& blink, int id) {
    if (!validId(id) || !blink.m_timerOn[id]) {
        return false;
    }
    const int ch = indicatorChannel(id);
    std::uint8_t& phase = indicatorIsHigh(id) ? blink.g_hiBlink[ch] : blink.g_loBlink[ch];
    blink.m_shown[id] = phase == 1 ? SquareFill::Red : SquareFill::Background;
    phase = phase == 1 ? 0 : 1;
    return true;
}

}  // namespace kr5061

#include "panels/limit_rules.h"

#include <cmath>

#include "store/config.h"
#include "store/number_text.h"

namespace kr5061 {

namespace {

float clampTo(float value, LimitBounds b) {
    if (!(value >= b.lower)) {  // also catches NaN
        return b.lower;
    }
    return value > b.upper ? b.upper : value;
}

// A high limit never below the low one, a low limit never above the high one.
void store(ReadoutState& r, int ch, LimitSide side, float value) {
    if (side == LimitSide::High) {
        r.m_hiLimit[ch] = value < r.m_loLimit[ch] ? r.m_loLimit[ch] : value;
        r.m_hiText[ch] = limitText(r.m_hiLimit[ch]);
    } else {
        r.m_loLimit[ch] = value > r.m_hiLimit[ch] ? r.m_hiLimit[ch] : value;
        r.m_loText[ch] = limitText(r.m_loLimit[ch]);
    }
}

}  // namespace

float limitValueFromText(std::string_view text) {
    const float value = limitFromText(text);
    return std::isnan(value) ? 0.0f : value;
}

std::string limitText(float limit) {
    return formatFixed(limit, 1);
}

void spinLimit(ReadoutState& readout, int channel, LimitSide side, int delta) {
    const float current =
        side == LimitSide::High ? readout.m_hiLimit[channel] : readout.m_loLimit[channel];
    store(readout, channel, side,
          clampTo(current + static_cast<float>(delta), kSpinBounds[channel]));
}

const std::string& typeLimit(ReadoutState& readout, int channel, LimitSide side,
                             std::string_view text) {
    store(readout, channel, side, clampTo(limitValueFromText(text), kTypingBounds[channel]));
    return side == LimitSide::High ? readout.m_hiText[channel] : readout.m_loText[channel];
}

}  // namespace kr5061

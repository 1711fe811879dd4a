#pragma once

#include <string>
#include <string_view>

#include "common/run_state.h"

namespace kr5061 {

enum class LimitSide { High, Low };

struct LimitBounds {
    float lower;
    float upper;
};

// The spins range wider or narrower than typing allows, channel by channel;
// both apply alike to the high and the low limit.
inline constexpr LimitBounds kSpinBounds[kChannelCount] = {
    {-20.0f, 140.0f}, {-22.0f, 140.0f}, {-91.0f, 140.0f}, {-148.0f, 2501.0f}, {0.0f, 100.0f}};
inline constexpr LimitBounds kTypingBounds[kChannelCount] = {
    {-10.0f, 140.0f}, {-60.0f, 500.0f}, {0.0f, 5900.0f}, {-148.0f, 2501.0f}, {0.0f, 100.0f}};

// A limit field's text as a number: its leading numeric part, or 0 when it has
// none. "nan" counts as no number, since a NaN limit would silently disable
// its alarm and could never be stepped or clamped back.
float limitValueFromText(std::string_view text);

// Whether a numeric field lets a typed character through: digits, the minus
// sign, the decimal point and backspace. Signs and points may come anywhere
// and any number of times; the reading of the text sorts that out.
constexpr bool numericCharAccepted(char32_t c) {
    return (c >= U'0' && c <= U'9') || c == U'-' || c == U'.' || c == U'\b';
}

// The text a limit field shows after any edit: one decimal, C locale.
std::string limitText(float limit);

// One spin notification: the limit moves by `delta`, stays within the spin
// bounds and on its side of the partner limit; its text is rewritten.
void spinLimit(ReadoutState& readout, int channel, LimitSide side, int delta);

// A text change of a limit field: the text is read as a number, kept within the
// typing bounds and on its side of the partner limit. Returns the text the
// field must show at once (also stored as the limit's text).
const std::string& typeLimit(ReadoutState& readout, int channel, LimitSide side,
                             std::string_view text);

}  // namespace kr5061

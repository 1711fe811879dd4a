#include "store/number_text.h"

#include <charconv>
#include <cmath>

namespace kr5061 {

std::string formatFixed(double value, int decimals) {
    char buf[400];  // enough for any double in fixed notation with a few decimals
    if (std::isnan(value)) {
        return std::signbit(value) ? "-nan" : "nan";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-inf" : "inf";
    }
    const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (res.ec != std::errc()) {
        return {};
    }
    return std::string(buf, res.ptr);
}

std::string formatInt(long long value) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

float cutToTenth(float value) { return std::trunc(value * 10.0f) * 0.1f; }

float roundToTenth(float value) {
    return value >= 0.0f ? std::trunc((value + 0.05f) * 10.0f) * 0.1f
                         : std::trunc((value - 0.05f) * 10.0f) * 0.1f;
}

}  // namespace kr5061

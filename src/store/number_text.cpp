#include "store/number_text.h"

#include <charconv>
#include <cmath>
#include <ctime>

#include "store/truncation.h"

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

std::size_t formatLocalTime(std::int64_t calendarSeconds, const char* pattern, char* out,
                            std::size_t capacity) {
    const std::time_t t = static_cast<std::time_t>(calendarSeconds);
    std::tm tm{};
#ifdef _WIN32
    const bool ok = localtime_s(&tm, &t) == 0;
#else
    const bool ok = localtime_r(&t, &tm) != nullptr;
#endif
    const std::size_t n = ok ? std::strftime(out, capacity, pattern, &tm) : 0;
    out[n] = '\0';
    return n;
}

std::string localTimeText(std::int64_t calendarSeconds, const char* pattern) {
    char buf[64];
    return std::string(buf, formatLocalTime(calendarSeconds, pattern, buf, sizeof buf));
}

namespace {

// Readings arrive as binary floats of one- or two-decimal numbers: 0.7 is
// 0.69999998..., whose tenths would cut to 0.6. Moving tenths outward by a
// millionth of their size keeps such a number on its own side of every
// boundary without touching any value a reading can really have.
double outwardTenths(float value) {
    const double tenths = static_cast<double>(value) * 10.0;
    return tenths + std::copysign(std::abs(tenths) * 1e-6, tenths);
}

}  // namespace

float cutToTenth(float value) {
    return static_cast<float>(truncWhole(outwardTenths(value)) / 10.0);
}

std::string formatCutTenth(float value) {
    const float cut = cutToTenth(value);
    return formatFixed(cut == 0.0f ? 0.0f : cut, 1);
}

float roundToTenth(float value) {
    const double tenths = outwardTenths(value);
    return static_cast<float>(truncWhole(tenths + std::copysign(0.5, tenths)) / 10.0);
}

}  // namespace kr5061

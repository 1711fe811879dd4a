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
    const auto res =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
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

std::string formatCutTenth(float value) {
    const float cut = cutToTenth(value);
    return formatFixed(cut == 0.0f ? 0.0f : cut, 1);
}

}  // namespace kr5061

#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "store/truncation.h"

namespace kr5061 {

// Fixed-point text of a number with the given decimals, like printf "%.Nf" in
// the C locale, whatever locale the process runs in.
std::string formatFixed(double value, int decimals);

// "%d" in the C locale.
std::string formatInt(long long value);

// Local time of calendar seconds in a strftime pattern, into `out` (always
// nul-terminated, `capacity` > 0); empty when the system cannot convert the
// time. Returns the length. Every clock and date text of the program comes
// from here.
std::size_t formatLocalTime(std::int64_t calendarSeconds, const char* pattern, char* out,
                            std::size_t capacity);

// The same as a string (at most 63 characters).
std::string localTimeText(std::int64_t calendarSeconds, const char* pattern);

// The time labels, cursor readouts and report clocks.
inline constexpr const char* kClockPattern = "%H:%M:%S";

// The graph bar's clock and start time and the logger list's "Time" column.
inline std::string formatDateTime(std::int64_t calendarSeconds) {
    return localTimeText(calendarSeconds, "%d/%m/%y %H:%M:%S");
}

// The name Save and the exports suggest for a new file: the local time as
// "yy-MM-dd HH.mm.ss".
inline std::string suggestedFileName(std::int64_t calendarSeconds) {
    return localTimeText(calendarSeconds, "%y-%m-%d %H.%M.%S");
}

// Celsius to Fahrenheit in single precision, as every display of the program does it.
inline float toFahrenheit(float celsius) {
    return celsius * 1.8f + 32.0f;
}

// Readings arrive as binary floats of one- or two-decimal numbers: 0.7 is
// 0.69999998..., whose tenths would cut to 0.6. Moving tenths outward by a
// millionth of their size keeps such a number on its own side of every
// boundary without touching any value a reading can really have.
inline double outwardTenths(float value) {
    const double tenths = static_cast<double>(value) * 10.0;
    return tenths + std::copysign(std::abs(tenths) * 1e-6, tenths);
}

// Cut toward zero to one decimal: the integer part of value x 10, times 0.1,
// taken on the decimal number the float stands for (0.7f cuts to 0.7, not 0.6).
// Inline, as the graphs take it for every plotted reading.
inline float cutToTenth(float value) {
    return static_cast<float>(truncWhole(outwardTenths(value)) / 10.0);
}

// K/IR as the extremes, the readouts and the text table show it: cut toward
// zero to one decimal, then "%.1f". A value cut to zero reads "0.0", never
// "-0.0": the integer part of value x 10 carries no sign.
std::string formatCutTenth(float value);

// Rounded half away from zero to one decimal, on the same terms.
inline float roundToTenth(float value) {
    const double tenths = outwardTenths(value);
    return static_cast<float>(truncWhole(tenths + std::copysign(0.5, tenths)) / 10.0);
}

}  // namespace kr5061

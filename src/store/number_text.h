#pragma once

#include <string>

namespace kr5061 {

// Fixed-point text of a number with the given decimals, like printf "%.Nf" in
// the C locale, whatever locale the process runs in.
std::string formatFixed(double value, int decimals);

// "%d" in the C locale.
std::string formatInt(long long value);

// Celsius to Fahrenheit in single precision, as every display of the program does it.
inline float toFahrenheit(float celsius) { return celsius * 1.8f + 32.0f; }

// Cut toward zero to one decimal: the integer part of value x 10, times 0.1,
// taken on the decimal number the float stands for (0.7f cuts to 0.7, not 0.6).
float cutToTenth(float value);

// K/IR as the extremes, the readouts and the text table show it: cut toward
// zero to one decimal, then "%.1f". A value cut to zero reads "0.0", never
// "-0.0": the integer part of value x 10 carries no sign.
std::string formatCutTenth(float value);

// Rounded half away from zero to one decimal, on the same terms.
float roundToTenth(float value);

}  // namespace kr5061

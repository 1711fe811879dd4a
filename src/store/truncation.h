#pragma once

#include <cmath>

namespace kr5061 {

// The one family of truncations toward zero used for pixels and tenths.
//
// truncWhole is std::trunc (the sign of a zero kept), done by the integer
// conversion wherever the value fits one: std::trunc is a library call on the
// baseline x86-64 target, and a paint truncates a few hundred thousand values.
inline float truncWhole(float v) {
    return v > -2.0e9f && v < 2.0e9f ? std::copysign(static_cast<float>(static_cast<int>(v)), v)
                                     : std::trunc(v);
}
inline double truncWhole(double v) {
    return v > -9.0e18 && v < 9.0e18
               ? std::copysign(static_cast<double>(static_cast<long long>(v)), v)
               : std::trunc(v);
}

// The integer part as an int, for pixel positions and indices: NaN gives 0,
// and values beyond the int range stop at its ends instead of being undefined.
inline int truncToInt(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    constexpr double kMax = 2147483647.0, kMin = -2147483648.0;
    return v >= kMax ? 2147483647 : v <= kMin ? -2147483647 - 1 : static_cast<int>(v);
}

}  // namespace kr5061

#include "sim/psychrometrics.h"

#include <algorithm>
#include <cmath>

namespace kr5061 {

namespace {
constexpr double kMagnusA = 17.62;
constexpr double kMagnusB = 243.12;
constexpr double kMagnusE0KPa = 0.6112;
// Psychrometer coefficient of an aspirated (Assmann type) instrument.
constexpr double kPsychrometerCoefficient = 6.62e-4;

double clampHumidity(double rhPct) {
    return std::clamp(rhPct, 0.1, 100.0);
}
}  // namespace

double saturationPressureKPa(double tempC) {
    return kMagnusE0KPa * std::exp(kMagnusA * tempC / (kMagnusB + tempC));
}

double dewPointC(double airC, double rhPct) {
    const double gamma =
        std::log(clampHumidity(rhPct) / 100.0) + kMagnusA * airC / (kMagnusB + airC);
    return kMagnusB * gamma / (kMagnusA - gamma);
}

double wetBulbC(double airC, double rhPct, double pressureKPa) {
    const double vapour = clampHumidity(rhPct) / 100.0 * saturationPressureKPa(airC);
    const double psychro = kPsychrometerCoefficient * pressureKPa;
    // f rises monotonically with Tw; f(dew point) <= 0 <= f(air), so bisection is safe.
    auto f = [&](double tw) { return saturationPressureKPa(tw) - psychro * (airC - tw) - vapour; };
    double lo = dewPointC(airC, rhPct);
    double hi = airC;
    for (int i = 0; i < 60 && hi - lo > 1e-6; ++i) {
        const double mid = 0.5 * (lo + hi);
        (f(mid) < 0.0 ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

}  // namespace kr5061

#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "psychro/moist_air.h"

// The derived quantities as people read them: in SI or in the inch-pound
// units of an instrument that shows Fahrenheit, with the condensation margin
// of a surface.
namespace kr5061::psychro {

enum class Units { si, ip };

// Inch-pound forms of the SI values.
inline double fahrenheitOf(double c) {
    return c * 1.8 + 32.0;
}
inline double grainsPerPoundOf(double humidityRatio) {
    return humidityRatio * 7000.0;
}
// The inch-pound chart counts enthalpy from dry air at 0 degF, the SI chart
// from dry air at 0 degC: 1 Btu/lb is 2.326 kJ/kg, and dry air at 0 degC holds
// 0.240 x 32 Btu/lb.
inline double btuPerPoundOf(double kJPerKg) {
    return kJPerKg / 2.326 + 0.240 * 32.0;
}
inline double cubicFeetPerPoundOf(double m3PerKg) {
    return m3PerKg * 16.018463;
}
inline double poundsPerCubicFootOf(double kgPerM3) {
    return kgPerM3 * 0.062427961;
}
inline double grainsPerCubicFootOf(double gPerM3) {
    return gPerM3 * 0.43699572;
}
inline double inchesOfMercuryOf(double kPa) {
    return kPa / 3.386389;
}

// One line of the quantity table. `value` is in `unit`; none where the
// quantity does not exist for this state (the dew point of dry air).
struct Quantity {
    std::string_view label;
    std::string_view unit;
    std::string_view jsonKey;  // names the unit, e.g. "enthalpy_kj_per_kg"
    std::optional<double> value;
    int decimals = 2;

    // The value with its decimals (C locale), or "n/a".
    std::string text() const;
};

inline constexpr int kQuantityCount = 12;

// Dry bulb, relative humidity, humidity ratio, dew point, wet bulb, enthalpy,
// specific volume, density, absolute humidity, vapour pressure, degree of
// saturation and the pressure in use, in that order.
std::array<Quantity, kQuantityCount> quantitiesOf(const MoistAir& air, Units units);

// One JSON object of every quantity, keys naming their units, absent values null.
std::string quantitiesJson(const MoistAir& air, Units units);

// Surface temperature minus dew point, and what it means against a threshold.
enum class CondensationLevel { unknown, clear, risk, condensation };
struct Condensation {
    std::optional<double> marginK;
    CondensationLevel level = CondensationLevel::unknown;
};
inline constexpr double kDefaultCondensationThresholdK = 3.0;

// Below the threshold "Condensation risk", below 0 "Condensation"; without a
// surface reading or a dew point there is no margin.
Condensation condensationOf(std::optional<double> surfaceC, std::optional<double> dewPointC,
                            double thresholdK);
std::string_view condensationWords(CondensationLevel level);

// A stored K/IR reading as a surface temperature; none for the absent probe.
std::optional<double> surfaceOf(float storedReading);

}  // namespace kr5061::psychro

#pragma once

namespace kr5061 {

// Standard sea-level pressure, used for the wet-bulb solution.
inline constexpr double kStandardPressureKPa = 101.325;

// Saturation vapour pressure over water (Magnus, a = 17.62, b = 243.12 degC), in kPa.
double saturationPressureKPa(double tempC);

// Dew point from air temperature and relative humidity (Magnus inversion).
// RH is clamped to 0.1..100 % so a dry reading still gives a finite result.
double dewPointC(double airC, double rhPct);

// Wet-bulb temperature of a ventilated psychrometer, from the psychrometric
// equation e = es(Tw) - A * p * (T - Tw) with A = 6.62e-4 per degC, solved by
// bisection between the dew point and the air temperature. Water surface only:
// meant for room climates above freezing.
double wetBulbC(double airC, double rhPct, double pressureKPa = kStandardPressureKPa);

}  // namespace kr5061

#pragma once

#include <optional>
#include <string_view>

// Moist-air properties: the ideal-gas relations of the ASHRAE Handbook —
// Fundamentals (2017, SI, chapter 1) with the Hyland–Wexler saturation
// pressure of water vapour. Temperatures in degrees Celsius, pressures in kPa,
// humidity ratios in kg of water per kg of dry air.
namespace kr5061::psychro {

inline constexpr double kStandardPressureKPa = 101.325;

// Where the formulas hold; inputs outside are refused.
inline constexpr double kMinTemperatureC = -100.0, kMaxTemperatureC = 200.0;
inline constexpr double kMinPressureKPa = 50.0, kMaxPressureKPa = 120.0;

// Saturation pressure of pure water vapour over ice (-100..0 degC) and over
// liquid water (0..200 degC).
double saturationPressureOverIceKPa(double tC);
double saturationPressureOverWaterKPa(double tC);
// Over ice below 0 degC, over liquid water from 0 degC on.
double saturationPressureKPa(double tC);

// Water vapour in air saturates at a slightly higher pressure than over pure
// water; the factor (Buck 1981, p in hPa: 1.0007 + 3.46e-6 p) brings the
// saturated humidity ratio within 0.3 % of the Handbook's real-gas table.
double enhancementFactor(double pKPa);

// Partial pressure of water vapour in air saturated at t and p.
double saturatedVapourPressureKPa(double tC, double pKPa);

// Where saturated vapour reaches the barometric pressure.
double boilingPointC(double pKPa);

double humidityRatioOf(double vapourPressureKPa, double pKPa);
double vapourPressureOf(double humidityRatio, double pKPa);
// Humidity ratio of saturated air; none where vapour at saturation would
// reach the barometric pressure (above the boiling point).
std::optional<double> saturationHumidityRatio(double tC, double pKPa);

double enthalpyKJPerKg(double tC, double humidityRatio);
double specificVolumeM3PerKg(double tC, double humidityRatio, double pKPa);

// Barometric pressure of the standard atmosphere at an altitude.
double pressureAtAltitudeKPa(double altitudeM);

// Temperature at which air of this vapour pressure saturates (over ice below
// 0 degC); none for no vapour or outside -100..200 degC.
std::optional<double> dewPointOf(double vapourPressureKPa, double pKPa);

// The psychrometric equation: humidity ratio of air at t whose thermodynamic
// wet-bulb temperature is twb (ice-covered bulb below 0 degC); none where no
// saturated state exists at twb.
std::optional<double> humidityRatioFromWetBulb(double tC, double twbC, double pKPa);
// Its inverse, solved iteratively. Where an ice bulb and a water bulb near
// 0 degC both fit, the water bulb is taken.
std::optional<double> wetBulbOf(double tC, double humidityRatio, double pKPa);

// Every property of one state of moist air.
struct MoistAir {
    double dryBulbC = 0;
    double pressureKPa = kStandardPressureKPa;
    double humidityRatio = 0;
    double relativeHumidityPct = 0;
    double vapourPressureKPa = 0;
    double enthalpyKJPerKg = 0;
    double specificVolumeM3PerKg = 0;
    double densityKgPerM3 = 0;
    double absoluteHumidityGPerM3 = 0;
    std::optional<double> dewPointC;           // none for perfectly dry air
    std::optional<double> wetBulbC;            // none below -100 degC
    std::optional<double> degreeOfSaturation;  // none above the boiling point
};

enum class Refusal {
    none,
    temperature,
    relativeHumidity,
    dewPointAboveDryBulb,
    wetBulbAboveDryBulb,
    wetBulbTooLow,
    pressure,
    vapourPressure,
};

// "out of range: ..." with the reason, for messages and the command line.
std::string_view refusalText(Refusal refusal);

struct Outcome {
    std::optional<MoistAir> air;
    Refusal refusal = Refusal::none;
};

Outcome fromRelativeHumidity(double dryBulbC, double relativeHumidityPct, double pKPa);
Outcome fromDewPoint(double dryBulbC, double dewPointC, double pKPa);
Outcome fromWetBulb(double dryBulbC, double wetBulbC, double pKPa);

}  // namespace kr5061::psychro

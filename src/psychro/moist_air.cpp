#include "psychro/moist_air.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace kr5061::psychro {

namespace {

constexpr double kKelvin = 273.15;
// Ratio of the molar masses of water and dry air.
constexpr double kMassRatio = 0.621945;
// Gas constant of dry air, kJ/(kg K).
constexpr double kDryAirGasConstant = 0.287042;

// Hyland–Wexler coefficients, saturation pressure in Pa, T in K.
constexpr double kIce[7] = {-5.6745359e3, 6.3925247,      -9.6778430e-3, 6.2215701e-7,
                            2.0747825e-9, -9.4840240e-13, 4.1635019};
constexpr double kWater[6] = {-5.8002206e3, 1.3914993,     -4.8640239e-2,
                              4.1764768e-5, -1.4452093e-8, 6.5459673};

bool within(double v, double lo, double hi) {
    return v >= lo && v <= hi;
}

// The root of an increasing function `f` minus `target` in [lo, hi], by
// regula falsi with the Illinois modification, which keeps a bracket and
// converges fast on these smooth curves.
double solveIncreasing(const std::function<double(double)>& f, double target, double lo,
                       double hi) {
    double fa = f(lo) - target, fb = f(hi) - target;
    if (fa >= 0)
        return lo;
    if (fb <= 0)
        return hi;
    int side = 0;
    double c = lo;
    for (int i = 0; i < 200; ++i) {
        const double next = (lo * fb - hi * fa) / (fb - fa);
        const bool settled = std::abs(next - c) < 1e-11 * (1.0 + std::abs(next));
        c = next;
        const double fc = f(c) - target;
        if (fc == 0 || settled || hi - lo < 1e-12)
            break;
        if (fc > 0) {
            hi = c;
            fb = fc;
            if (side == -1)
                fa /= 2;
            side = -1;
        } else {
            lo = c;
            fa = fc;
            if (side == 1)
                fb /= 2;
            side = 1;
        }
    }
    return c;
}

// The psychrometric equation on one side of 0 degC.
double wetBulbRatio(double tC, double twbC, double wsStar) {
    if (twbC >= 0) {
        return ((2501.0 - 2.326 * twbC) * wsStar - 1.006 * (tC - twbC)) /
               (2501.0 + 1.86 * tC - 4.186 * twbC);
    }
    return ((2830.0 - 0.24 * twbC) * wsStar - 1.006 * (tC - twbC)) /
           (2830.0 + 1.86 * tC - 2.1 * twbC);
}

MoistAir stateOf(double tC, double w, double pKPa) {
    MoistAir a;
    a.dryBulbC = tC;
    a.pressureKPa = pKPa;
    a.humidityRatio = w;
    a.vapourPressureKPa = vapourPressureOf(w, pKPa);
    a.relativeHumidityPct = 100.0 * a.vapourPressureKPa / saturatedVapourPressureKPa(tC, pKPa);
    a.enthalpyKJPerKg = enthalpyKJPerKg(tC, w);
    a.specificVolumeM3PerKg = specificVolumeM3PerKg(tC, w, pKPa);
    a.densityKgPerM3 = (1.0 + w) / a.specificVolumeM3PerKg;
    a.absoluteHumidityGPerM3 = 1000.0 * w / a.specificVolumeM3PerKg;
    a.dewPointC = dewPointOf(a.vapourPressureKPa, pKPa);
    a.wetBulbC = wetBulbOf(tC, w, pKPa);
    if (const auto ws = saturationHumidityRatio(tC, pKPa)) {
        a.degreeOfSaturation = w / *ws;
    }
    return a;
}

Refusal commonRefusal(double tC, double pKPa) {
    if (!within(tC, kMinTemperatureC, kMaxTemperatureC))
        return Refusal::temperature;
    if (!within(pKPa, kMinPressureKPa, kMaxPressureKPa))
        return Refusal::pressure;
    return Refusal::none;
}

Outcome fromVapourPressure(double tC, double pw, double pKPa) {
    if (!(pw < pKPa))
        return {std::nullopt, Refusal::vapourPressure};
    return {stateOf(tC, humidityRatioOf(pw, pKPa), pKPa), Refusal::none};
}

}  // namespace

double saturationPressureOverIceKPa(double tC) {
    const double t = tC + kKelvin;
    const double* c = kIce;
    const double ln =
        c[0] / t + c[1] + t * (c[2] + t * (c[3] + t * (c[4] + t * c[5]))) + c[6] * std::log(t);
    return std::exp(ln) / 1000.0;
}

double saturationPressureOverWaterKPa(double tC) {
    const double t = tC + kKelvin;
    const double* c = kWater;
    const double ln = c[0] / t + c[1] + t * (c[2] + t * (c[3] + t * c[4])) + c[5] * std::log(t);
    return std::exp(ln) / 1000.0;
}

double saturationPressureKPa(double tC) {
    return tC < 0 ? saturationPressureOverIceKPa(tC) : saturationPressureOverWaterKPa(tC);
}

double enhancementFactor(double pKPa) {
    return 1.0007 + 3.46e-6 * (pKPa * 10.0);
}

double saturatedVapourPressureKPa(double tC, double pKPa) {
    return enhancementFactor(pKPa) * saturationPressureKPa(tC);
}

double boilingPointC(double pKPa) {
    return solveIncreasing([pKPa](double t) { return saturatedVapourPressureKPa(t, pKPa); }, pKPa,
                           0.0, kMaxTemperatureC);
}

double humidityRatioOf(double pw, double pKPa) {
    return kMassRatio * pw / (pKPa - pw);
}

double vapourPressureOf(double w, double pKPa) {
    return pKPa * w / (kMassRatio + w);
}

std::optional<double> saturationHumidityRatio(double tC, double pKPa) {
    const double ps = saturatedVapourPressureKPa(tC, pKPa);
    if (!(ps < pKPa))
        return std::nullopt;
    return humidityRatioOf(ps, pKPa);
}

double enthalpyKJPerKg(double tC, double w) {
    return 1.006 * tC + w * (2501.0 + 1.86 * tC);
}

double specificVolumeM3PerKg(double tC, double w, double pKPa) {
    return kDryAirGasConstant * (tC + kKelvin) * (1.0 + 1.607858 * w) / pKPa;
}

double pressureAtAltitudeKPa(double altitudeM) {
    return 101.325 * std::pow(1.0 - 2.25577e-5 * altitudeM, 5.2559);
}

std::optional<double> dewPointOf(double pw, double pKPa) {
    const double f = enhancementFactor(pKPa);
    if (!(pw > 0))
        return std::nullopt;
    // Over ice the vapour pressure at 0 degC is a little below that over
    // water; a pressure between the two saturates at 0 degC.
    if (pw < f * saturationPressureOverIceKPa(0.0)) {
        if (pw < f * saturationPressureOverIceKPa(kMinTemperatureC))
            return std::nullopt;
        return solveIncreasing(
            [f](double t) { return std::log(f * saturationPressureOverIceKPa(t)); }, std::log(pw),
            kMinTemperatureC, 0.0);
    }
    if (pw < f * saturationPressureOverWaterKPa(0.0))
        return 0.0;
    if (pw > f * saturationPressureOverWaterKPa(kMaxTemperatureC))
        return std::nullopt;
    return solveIncreasing(
        [f](double t) { return std::log(f * saturationPressureOverWaterKPa(t)); }, std::log(pw),
        0.0, kMaxTemperatureC);
}

std::optional<double> humidityRatioFromWetBulb(double tC, double twbC, double pKPa) {
    const auto wsStar = saturationHumidityRatio(twbC, pKPa);
    if (!wsStar)
        return std::nullopt;
    return wetBulbRatio(tC, twbC, *wsStar);
}

std::optional<double> wetBulbOf(double tC, double w, double pKPa) {
    const auto ratio = [&](double twb) {
        const auto ws = saturationHumidityRatio(twb, pKPa);
        return ws ? wetBulbRatio(tC, twb, *ws) : HUGE_VAL;
    };
    if (tC >= 0) {
        // Below the boiling point saturated air exists; the ratio grows
        // without bound towards it.
        const double hi = std::min(tC, boilingPointC(pKPa) - 1e-9);
        if (ratio(0.0) <= w)
            return solveIncreasing(ratio, w, 0.0, hi);
    }
    const double hi = std::min(tC, -1e-12);
    if (ratio(kMinTemperatureC) > w || ratio(hi) < w)
        return std::nullopt;
    return solveIncreasing(ratio, w, kMinTemperatureC, hi);
}

std::string_view refusalText(Refusal refusal) {
    switch (refusal) {
        case Refusal::none:
            return {};
        case Refusal::temperature:
            return "out of range: temperatures must lie between -100 and 200 \u00b0C";
        case Refusal::relativeHumidity:
            return "out of range: relative humidity must lie between 0 and 100 %";
        case Refusal::dewPointAboveDryBulb:
            return "out of range: the dew point is above the dry-bulb temperature";
        case Refusal::wetBulbAboveDryBulb:
            return "out of range: the wet bulb is above the dry-bulb temperature";
        case Refusal::wetBulbTooLow:
            return "out of range: the wet bulb is too low for the dry-bulb temperature";
        case Refusal::pressure:
            return "out of range: the barometric pressure must lie between 50 and 120 kPa";
        case Refusal::vapourPressure:
            return "out of range: the water vapour would exceed the barometric pressure";
    }
    return {};
}

Outcome fromRelativeHumidity(double tC, double rhPct, double pKPa) {
    if (const Refusal r = commonRefusal(tC, pKPa); r != Refusal::none)
        return {std::nullopt, r};
    if (!within(rhPct, 0.0, 100.0))
        return {std::nullopt, Refusal::relativeHumidity};
    Outcome out =
        fromVapourPressure(tC, rhPct / 100.0 * saturatedVapourPressureKPa(tC, pKPa), pKPa);
    if (out.air)
        out.air->relativeHumidityPct = rhPct;
    return out;
}

Outcome fromDewPoint(double tC, double tdC, double pKPa) {
    if (const Refusal r = commonRefusal(tC, pKPa); r != Refusal::none)
        return {std::nullopt, r};
    if (!within(tdC, kMinTemperatureC, kMaxTemperatureC))
        return {std::nullopt, Refusal::temperature};
    if (tdC > tC)
        return {std::nullopt, Refusal::dewPointAboveDryBulb};
    Outcome out = fromVapourPressure(tC, saturatedVapourPressureKPa(tdC, pKPa), pKPa);
    if (out.air)
        out.air->dewPointC = tdC;
    return out;
}

Outcome fromWetBulb(double tC, double twbC, double pKPa) {
    if (const Refusal r = commonRefusal(tC, pKPa); r != Refusal::none)
        return {std::nullopt, r};
    if (!within(twbC, kMinTemperatureC, kMaxTemperatureC))
        return {std::nullopt, Refusal::temperature};
    if (twbC > tC)
        return {std::nullopt, Refusal::wetBulbAboveDryBulb};
    const auto w = humidityRatioFromWetBulb(tC, twbC, pKPa);
    if (!w)
        return {std::nullopt, Refusal::vapourPressure};
    if (*w < 0)
        return {std::nullopt, Refusal::wetBulbTooLow};
    Outcome out{stateOf(tC, *w, pKPa), Refusal::none};
    out.air->wetBulbC = twbC;
    return out;
}

}  // namespace kr5061::psychro

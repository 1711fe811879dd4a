#include "psychro/quantities.h"

#include "common/channels.h"
#include "store/number_text.h"

namespace kr5061::psychro {

namespace {

std::optional<double> mapped(std::optional<double> v, double (*f)(double)) {
    return v ? std::optional<double>(f(*v)) : std::nullopt;
}

double gramsPerKg(double w) {
    return w * 1000.0;
}
double hectopascals(double kPa) {
    return kPa * 10.0;
}

}  // namespace

std::string Quantity::text() const {
    return value ? formatFixed(*value, decimals) : "n/a";
}

std::array<Quantity, kQuantityCount> quantitiesOf(const MoistAir& a, Units units) {
    if (units == Units::ip) {
        return {{
            {"Dry bulb", "\u00b0F", "dry_bulb_f", fahrenheitOf(a.dryBulbC), 2},
            {"Relative humidity", "%", "relative_humidity_percent", a.relativeHumidityPct, 1},
            {"Humidity ratio", "gr/lb", "humidity_ratio_gr_per_lb",
             grainsPerPoundOf(a.humidityRatio), 2},
            {"Dew point", "\u00b0F", "dew_point_f", mapped(a.dewPointC, fahrenheitOf), 2},
            {"Wet bulb", "\u00b0F", "wet_bulb_f", mapped(a.wetBulbC, fahrenheitOf), 2},
            {"Enthalpy", "Btu/lb", "enthalpy_btu_per_lb", btuPerPoundOf(a.enthalpyKJPerKg), 2},
            {"Specific volume", "ft\u00b3/lb", "specific_volume_ft3_per_lb",
             cubicFeetPerPoundOf(a.specificVolumeM3PerKg), 3},
            {"Density", "lb/ft\u00b3", "density_lb_per_ft3", poundsPerCubicFootOf(a.densityKgPerM3),
             4},
            {"Absolute humidity", "gr/ft\u00b3", "absolute_humidity_gr_per_ft3",
             grainsPerCubicFootOf(a.absoluteHumidityGPerM3), 3},
            {"Vapour pressure", "inHg", "vapour_pressure_inhg",
             inchesOfMercuryOf(a.vapourPressureKPa), 4},
            {"Degree of saturation", "", "degree_of_saturation", a.degreeOfSaturation, 4},
            {"Pressure", "inHg", "pressure_inhg", inchesOfMercuryOf(a.pressureKPa), 3},
        }};
    }
    return {{
        {"Dry bulb", "\u00b0C", "dry_bulb_c", a.dryBulbC, 2},
        {"Relative humidity", "%", "relative_humidity_percent", a.relativeHumidityPct, 1},
        {"Humidity ratio", "g/kg", "humidity_ratio_g_per_kg", gramsPerKg(a.humidityRatio), 3},
        {"Dew point", "\u00b0C", "dew_point_c", a.dewPointC, 2},
        {"Wet bulb", "\u00b0C", "wet_bulb_c", a.wetBulbC, 2},
        {"Enthalpy", "kJ/kg", "enthalpy_kj_per_kg", a.enthalpyKJPerKg, 2},
        {"Specific volume", "m\u00b3/kg", "specific_volume_m3_per_kg", a.specificVolumeM3PerKg, 4},
        {"Density", "kg/m\u00b3", "density_kg_per_m3", a.densityKgPerM3, 4},
        {"Absolute humidity", "g/m\u00b3", "absolute_humidity_g_per_m3", a.absoluteHumidityGPerM3,
         2},
        {"Vapour pressure", "hPa", "vapour_pressure_hpa", hectopascals(a.vapourPressureKPa), 2},
        {"Degree of saturation", "", "degree_of_saturation", a.degreeOfSaturation, 4},
        {"Pressure", "kPa", "pressure_kpa", a.pressureKPa, 3},
    }};
}

std::string quantitiesJson(const MoistAir& air, Units units) {
    std::string out = "{";
    bool first = true;
    for (const Quantity& q : quantitiesOf(air, units)) {
        out += first ? "\"" : ", \"";
        first = false;
        out += q.jsonKey;
        out += "\": ";
        out += q.value ? q.text() : "null";
    }
    return out + "}";
}

Condensation condensationOf(std::optional<double> surfaceC, std::optional<double> dewPointC,
                            double thresholdK) {
    if (!surfaceC || !dewPointC)
        return {};
    const double margin = *surfaceC - *dewPointC;
    const CondensationLevel level = margin < 0            ? CondensationLevel::condensation
                                    : margin < thresholdK ? CondensationLevel::risk
                                                          : CondensationLevel::clear;
    return {margin, level};
}

std::string_view condensationWords(CondensationLevel level) {
    switch (level) {
        case CondensationLevel::risk:
            return "Condensation risk";
        case CondensationLevel::condensation:
            return "Condensation";
        default:
            return {};
    }
}

std::optional<double> surfaceOf(float stored) {
    if (stored <= kAbsentFrameReading)
        return std::nullopt;
    return stored;
}

}  // namespace kr5061::psychro

#include <gtest/gtest.h>

#include <cmath>

#include "psychro/moist_air.h"
#include "psychro/quantities.h"

namespace kr5061::psychro {
namespace {

// Saturation pressure of water as printed in the ASHRAE Handbook —
// Fundamentals 2017 (SI), chapter 1, Table 3 (over ice below 0 degC). The
// Handbook states that the Hyland–Wexler equations agree with its table
// within 300 ppm; a row printed with few digits may differ by half its last
// unit.
struct PressureRow {
    double tC, kPa;
    int decimals;
};
constexpr PressureRow kPressureTable[] = {
    {-60, 0.00108, 5}, {-20, 0.10324, 5}, {-5, 0.40174, 5}, {5, 0.87260, 5},
    {25, 3.1697, 4},   {50, 12.351, 3},   {100, 101.42, 2}, {150, 476.10, 2},
};

TEST(MoistAir, HylandWexlerReproducesTheSaturationPressureTable) {
    for (const PressureRow& r : kPressureTable) {
        const double tolerance = std::max(0.5 * std::pow(10.0, -r.decimals), 300e-6 * r.kPa);
        EXPECT_NEAR(saturationPressureKPa(r.tC), r.kPa, tolerance) << r.tC << " degC";
    }
}

// Saturated air at 101.325 kPa, the same chapter's Table 2: humidity ratio
// Ws, enthalpy hs (kJ/kg) and volume vs (m3/kg), computed there from a
// real-gas model (volumes and the 90 degC enthalpy as the table is commonly
// reproduced, to three or four digits). NaN: not compared in that row. Above 80 degC the table's
// volume drops below the ideal-gas relations' by more than 0.5 % (the vapour is no longer an ideal
// gas), so no volume is compared there.
struct SaturatedRow {
    double tC, ws, hs, vs;
};
constexpr double kNone = NAN;
constexpr SaturatedRow kSaturatedTable[] = {
    {-50, 0.0000243, -50.222, kNone}, {-20, 0.0006373, -18.542, 0.717},
    {-5, 0.0024863, 1.164, kNone},    {0, kNone, kNone, 0.778},
    {5, 0.005425, 18.639, kNone},     {20, kNone, kNone, 0.850},
    {25, 0.020173, 76.504, 0.872},    {40, kNone, kNone, 0.957},
    {50, 0.086863, 275.353, 1.042},   {60, kNone, kNone, 1.175},
    {80, kNone, kNone, 1.879},        {85, 0.838105, 2307.539, kNone},
    {90, kNone, 3876, kNone},
};

TEST(MoistAir, SaturatedAirMatchesTheHandbookTableWithinHalfAPercent) {
    for (const SaturatedRow& r : kSaturatedTable) {
        const Outcome s = fromRelativeHumidity(r.tC, 100.0, kStandardPressureKPa);
        ASSERT_TRUE(s.air) << r.tC;
        if (!std::isnan(r.ws)) {
            EXPECT_NEAR(s.air->humidityRatio / r.ws, 1.0, 0.005) << "Ws at " << r.tC;
        }
        if (!std::isnan(r.hs)) {
            EXPECT_NEAR(s.air->enthalpyKJPerKg / r.hs, 1.0, 0.005) << "hs at " << r.tC;
        }
        if (!std::isnan(r.vs)) {
            EXPECT_NEAR(s.air->specificVolumeM3PerKg / r.vs, 1.0, 0.005) << "vs at " << r.tC;
        }
    }
}

// Dew point and wet bulb survive the way through the relative humidity and back.
struct RoundTrip {
    double tC, other;
};

TEST(MoistAir, DewPointRoundTripsWithinAMillikelvin) {
    const RoundTrip trips[] = {{-30, -40}, {0, -10}, {5, -0.5}, {5, 0.5},
                               {20, 15},   {35, 30}, {90, 60}};
    for (const RoundTrip& r : trips) {
        const Outcome fromDp = fromDewPoint(r.tC, r.other, kStandardPressureKPa);
        ASSERT_TRUE(fromDp.air) << r.tC;
        const Outcome back =
            fromRelativeHumidity(r.tC, fromDp.air->relativeHumidityPct, kStandardPressureKPa);
        ASSERT_TRUE(back.air && back.air->dewPointC);
        EXPECT_NEAR(*back.air->dewPointC, r.other, 0.001) << r.tC << " / " << r.other;
    }
}

TEST(MoistAir, WetBulbRoundTripsWithinAMillikelvin) {
    // Below 0 degC the bulb is ice; where both an ice and a water bulb fit
    // near 0 degC the water bulb is meant, so no such pair is listed.
    const RoundTrip trips[] = {{-10, -11}, {0, -5}, {5, 0.5}, {25, 9},
                               {30, 20},   {10, 5}, {50, 30}, {90, 45}};
    for (const RoundTrip& r : trips) {
        const Outcome fromWb = fromWetBulb(r.tC, r.other, 90.0);
        ASSERT_TRUE(fromWb.air) << r.tC;
        const Outcome back = fromRelativeHumidity(r.tC, fromWb.air->relativeHumidityPct, 90.0);
        ASSERT_TRUE(back.air && back.air->wetBulbC);
        EXPECT_NEAR(*back.air->wetBulbC, r.other, 0.001) << r.tC << " / " << r.other;
    }
}

TEST(MoistAir, InputsOutsideTheFormulasAreRefusedWithAReason) {
    const struct {
        Outcome outcome;
        Refusal expected;
    } cases[] = {
        {fromRelativeHumidity(20, 100.1, 101.325), Refusal::relativeHumidity},
        {fromRelativeHumidity(20, -0.1, 101.325), Refusal::relativeHumidity},
        {fromRelativeHumidity(20, NAN, 101.325), Refusal::relativeHumidity},
        {fromRelativeHumidity(200.1, 10, 101.325), Refusal::temperature},
        {fromRelativeHumidity(-100.1, 10, 101.325), Refusal::temperature},
        {fromRelativeHumidity(NAN, 10, 101.325), Refusal::temperature},
        {fromRelativeHumidity(20, 50, 49.9), Refusal::pressure},
        {fromRelativeHumidity(20, 50, 120.1), Refusal::pressure},
        {fromRelativeHumidity(150, 100, 101.325), Refusal::vapourPressure},
        {fromDewPoint(20, 20.5, 101.325), Refusal::dewPointAboveDryBulb},
        {fromDewPoint(20, -101, 101.325), Refusal::temperature},
        {fromWetBulb(20, 21, 101.325), Refusal::wetBulbAboveDryBulb},
        {fromWetBulb(40, -20, 101.325), Refusal::wetBulbTooLow},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(c.outcome.air);
        EXPECT_EQ(c.outcome.refusal, c.expected);
        EXPECT_EQ(refusalText(c.outcome.refusal).substr(0, 13), "out of range:");
    }
}

TEST(MoistAir, DryAirHasNoDewPointButEveryOtherQuantity) {
    const Outcome s = fromRelativeHumidity(20, 0, 101.325);
    ASSERT_TRUE(s.air);
    EXPECT_FALSE(s.air->dewPointC);
    EXPECT_TRUE(s.air->wetBulbC);
    const std::string json = quantitiesJson(*s.air, Units::si);
    EXPECT_NE(json.find("\"dew_point_c\": null"), std::string::npos) << json;
    EXPECT_NE(json.find("\"humidity_ratio_g_per_kg\": 0.000"), std::string::npos) << json;
}

// The standard atmosphere, Table 1 of the chapter (kPa to three decimals).
TEST(MoistAir, AltitudeGivesTheStandardAtmospherePressure) {
    const struct {
        double metres, kPa;
    } table[] = {{-500, 107.478}, {0, 101.325}, {500, 95.461}, {1000, 89.875}, {4000, 61.640}};
    for (const auto& r : table) {
        EXPECT_NEAR(pressureAtAltitudeKPa(r.metres), r.kPa, 0.001) << r.metres;
    }
}

// The inch-pound chapter's own relations, with t in degF and p in psia:
// h = 0.240 t + W (1061 + 0.444 t) Btu/lb, v = 0.370486 (t + 459.67)(1 + 1.607858 W) / p.
TEST(MoistAir, InchPoundValuesAgreeWithTheInchPoundRelations) {
    const double kPsiaPerKPa = 0.1450377;
    for (const double tC : {-20.0, 0.0, 23.9, 40.0}) {
        const Outcome s = fromRelativeHumidity(tC, 60, 97.0);
        ASSERT_TRUE(s.air);
        const auto q = quantitiesOf(*s.air, Units::ip);
        const double tF = tC * 1.8 + 32, w = s.air->humidityRatio;
        EXPECT_NEAR(*q[0].value, tF, 1e-9);
        EXPECT_NEAR(*q[2].value, w * 7000, 1e-9) << "grains per pound";
        EXPECT_NEAR(*q[5].value, 0.240 * tF + w * (1061 + 0.444 * tF), 0.05) << tC;
        EXPECT_NEAR(
            *q[6].value / (0.370486 * (tF + 459.67) * (1 + 1.607858 * w) / (97.0 * kPsiaPerKPa)),
            1.0, 2e-4)
            << tC;
        EXPECT_NEAR(*q[3].value, *s.air->dewPointC * 1.8 + 32, 1e-9);
        EXPECT_EQ(q[5].unit, "Btu/lb");
    }
}

TEST(MoistAir, CondensationMarginAgainstTheThreshold) {
    const struct {
        std::optional<double> surface, dew;
        CondensationLevel level;
        const char* words;
    } cases[] = {
        {20.0, 10.0, CondensationLevel::clear, ""},
        {13.0, 10.0, CondensationLevel::clear, ""},  // exactly the threshold: not below it
        {12.9, 10.0, CondensationLevel::risk, "Condensation risk"},
        {10.0, 10.0, CondensationLevel::risk, "Condensation risk"},
        {9.9, 10.0, CondensationLevel::condensation, "Condensation"},
        {std::nullopt, 10.0, CondensationLevel::unknown, ""},
        {12.0, std::nullopt, CondensationLevel::unknown, ""},
    };
    for (const auto& c : cases) {
        const Condensation m = condensationOf(c.surface, c.dew, 3.0);
        EXPECT_EQ(m.level, c.level);
        EXPECT_EQ(condensationWords(m.level), c.words);
        EXPECT_EQ(m.marginK.has_value(), c.surface && c.dew);
    }
    EXPECT_FALSE(surfaceOf(-9000.0f)) << "the absent probe has no surface temperature";
}

}  // namespace
}  // namespace kr5061::psychro

#include "sim/psychrometrics.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kr5061 {
namespace {

struct KnownPoint {
    double air, rh, dewPoint, wetBulb;
};

// Published psychrometric table values at sea level.
TEST(Psychrometrics, MatchesKnownTableValues) {
    const KnownPoint points[] = {
        {25.0, 50.0, 13.9, 17.95},
        {20.0, 60.0, 12.0, 15.2},
        {30.0, 30.0, 10.5, 18.0},
        {10.0, 80.0, 6.7, 8.3},
    };
    for (const KnownPoint& p : points) {
        SCOPED_TRACE(testing::Message() << p.air << " C, " << p.rh << " %");
        EXPECT_NEAR(dewPointC(p.air, p.rh), p.dewPoint, 0.1);
        EXPECT_NEAR(wetBulbC(p.air, p.rh), p.wetBulb, 0.1);
    }
}

TEST(Psychrometrics, SaturatedAirHasAllThreeTemperaturesEqual) {
    for (double air : {5.0, 20.0, 35.0}) {
        EXPECT_NEAR(dewPointC(air, 100.0), air, 1e-9);
        EXPECT_NEAR(wetBulbC(air, 100.0), air, 1e-4);
    }
}

TEST(Psychrometrics, DewPointNeverAboveWetBulbNeverAboveAir) {
    for (double air = 0.0; air <= 45.0; air += 2.5) {
        for (double rh = 5.0; rh <= 100.0; rh += 5.0) {
            const double dp = dewPointC(air, rh);
            const double wb = wetBulbC(air, rh);
            EXPECT_LE(dp, wb + 1e-6) << air << " C " << rh << " %";
            EXPECT_LE(wb, air + 1e-6) << air << " C " << rh << " %";
        }
    }
}

TEST(Psychrometrics, ImpossibleHumidityIsClampedInsteadOfGivingNaN) {
    EXPECT_NEAR(dewPointC(20.0, 120.0), 20.0, 1e-9);
    EXPECT_TRUE(std::isfinite(dewPointC(20.0, 0.0)));
    EXPECT_TRUE(std::isfinite(wetBulbC(20.0, -5.0)));
}

}  // namespace
}  // namespace kr5061

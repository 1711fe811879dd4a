#include <gtest/gtest.h>

#include <fstream>

#include "psychro/psychro_settings.h"
#include "store/config.h"
#include "support/test_dirs.h"

namespace kr5061::psychro {
namespace {

TEST(PsychroSettings, WrittenValuesReadBackAndAltitudeGivesThePressure) {
    test::ScopedConfigDir config;
    PsychroSettings s;
    s.altitudeM = 1000;
    s.useAltitude = true;
    s.condensationThresholdK = 2.5;
    s.notifications = true;
    s.fixedAxes = true;
    s.axisMinC = 0;
    s.axisMaxC = 40;
    s.axisMaxGPerKg = 20;
    ASSERT_TRUE(writePsychroSettings(s));
    const PsychroSettings r = readPsychroSettings();
    EXPECT_NEAR(r.pressureInUse(), 89.875, 0.001);
    EXPECT_EQ(r.condensationThresholdK, 2.5);
    EXPECT_TRUE(r.notifications && r.fixedAxes);
    EXPECT_EQ(r.axisMaxC, 40);
    EXPECT_EQ(r.axisMaxGPerKg, 20);
}

TEST(PsychroSettings, HandEditedValuesOutsideTheirLimitsReadAsDefaults) {
    test::ScopedConfigDir config;
    std::ofstream(configFilePath()) << "[Psychrometrics]\nPressure kPa=30\nAltitude m=9000\n"
                                       "Condensation threshold K=-1\nAxis min C=20\n"
                                       "Axis max C=21\nAxis max g/kg=abc\n";
    const PsychroSettings r = readPsychroSettings();
    const PsychroSettings d;
    EXPECT_EQ(r.pressureKPa, d.pressureKPa);
    EXPECT_EQ(r.altitudeM, d.altitudeM);
    EXPECT_EQ(r.condensationThresholdK, d.condensationThresholdK);
    EXPECT_EQ(r.axisMinC, d.axisMinC) << "a span under 2 K keeps both ends at their defaults";
    EXPECT_EQ(r.axisMaxC, d.axisMaxC);
    EXPECT_EQ(r.axisMaxGPerKg, d.axisMaxGPerKg);
}

}  // namespace
}  // namespace kr5061::psychro

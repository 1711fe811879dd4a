#include <gtest/gtest.h>

#include <memory>

#include "panels/extremes.h"

namespace kr5061 {
namespace {

class Extremes : public ::testing::Test {
protected:
    // Stores the readings at slot 0 and evaluates them.
    bool apply(float air, float wb, float dp, float k, float rh) {
        const float r[] = {air, wb, dp, k, rh};
        for (int ch = 0; ch < kChannelCount; ++ch) {
            doc->m_live[ch][0] = r[ch];
        }
        return ApplyReading(state, *doc);
    }
    void fahrenheit() {
        state.view.m_fahrenheit = true;
        state.view.m_unitText = "F";
    }
    void SetUp() override { state.view.m_unitText = "C"; }

    LiveState state;
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
};

TEST_F(Extremes, ReadingEqualToALimitRaisesThatAlarm) {
    state.readout.m_hiLimit[kAir] = 25.0f;
    state.readout.m_loLimit[kWetBulb] = 10.0f;
    EXPECT_TRUE(apply(25.0f, 10.0f, 5.0f, 20.0f, 50.0f));
    EXPECT_TRUE(state.frame.m_hiAlarm[kAir]);
    EXPECT_TRUE(state.frame.m_loAlarm[kWetBulb]);
    EXPECT_FALSE(state.frame.m_hiAlarm[kWetBulb]);
    EXPECT_FALSE(apply(25.0f, 10.0f, 5.0f, 20.0f, 50.0f)) << "no change, no repaint";
    EXPECT_TRUE(apply(24.9f, 10.0f, 5.0f, 20.0f, 50.0f));
    EXPECT_FALSE(state.frame.m_hiAlarm[kAir]);
}

TEST_F(Extremes, FahrenheitConvertsComparisonAndTextsButNeverHumidity) {
    fahrenheit();
    state.readout.m_loLimit[kSurface] = 1000.0f;
    state.readout.m_hiLimit[kHumidity] = 60.0f;
    state.readout.m_hiLimit[kWetBulb] = 68.0f;
    apply(30.0f, 20.0f, 10.0f, -130.0f, 55.0f);
    EXPECT_EQ(state.readout.m_maxText[kAir], "86.0F");
    EXPECT_EQ(state.readout.m_maxText[kHumidity], "55.0 %RH");
    // -130 C compares as -202 F: at or below -200 never raises a low alarm.
    EXPECT_FALSE(state.frame.m_loAlarm[kSurface]);
    EXPECT_FALSE(state.frame.m_hiAlarm[kHumidity]) << "55 %RH is not 131";
    EXPECT_TRUE(state.frame.m_hiAlarm[kWetBulb]) << "20 C compares as 68 F";
}

TEST_F(Extremes, SurfaceIsCutToOneDecimalForComparisonAndTexts) {
    state.readout.m_hiLimit[kSurface] = 23.4f;
    apply(20.0f, 15.0f, 10.0f, 23.47f, 50.0f);
    EXPECT_EQ(state.readout.m_maxText[kSurface], "23.4C");
    EXPECT_EQ(state.readout.m_minText[kSurface], "23.4C");
    EXPECT_TRUE(state.frame.m_hiAlarm[kSurface]);
    state.readout.m_hiLimit[kSurface] = 23.45f;
    apply(20.0f, 15.0f, 10.0f, 23.47f, 50.0f);
    EXPECT_FALSE(state.frame.m_hiAlarm[kSurface]);
}

TEST_F(Extremes, AbsentSurfaceIsNeverAnExtremeNorAnAlarm) {
    // Limits hand-edited below the absent marker still raise nothing.
    state.readout.m_hiLimit[kSurface] = -20000.0f;
    state.readout.m_loLimit[kSurface] = 0.0f;
    apply(20.0f, 15.0f, 10.0f, kAbsentReading, 50.0f);
    EXPECT_EQ(state.extremes.g_maxReading[kSurface], kNoMaximum);
    EXPECT_EQ(state.extremes.g_minReading[kSurface], kNoMinimum);
    EXPECT_TRUE(state.readout.m_maxText[kSurface].empty());
    EXPECT_TRUE(state.readout.m_minText[kSurface].empty());
    EXPECT_FALSE(state.frame.m_loAlarm[kSurface]);
    EXPECT_FALSE(state.frame.m_hiAlarm[kSurface]);
}

TEST_F(Extremes, VeryLowReadingCanBeMaximumButNeverMinimum) {
    apply(-150.0f, 15.0f, 10.0f, 20.0f, 50.0f);
    EXPECT_EQ(state.extremes.g_maxReading[kAir], -150.0f);
    EXPECT_EQ(state.extremes.g_minReading[kAir], kNoMinimum);
    EXPECT_EQ(state.readout.m_maxText[kAir], "-150.0C");
    EXPECT_TRUE(state.readout.m_minText[kAir].empty());
}

TEST_F(Extremes, ExtremesAccumulateAcrossReadings) {
    apply(20.0f, 15.0f, 10.0f, 20.0f, 50.0f);
    apply(25.0f, 12.0f, 10.0f, 20.0f, 45.2f);
    EXPECT_EQ(state.readout.m_maxText[kAir], "25.0C");
    EXPECT_EQ(state.readout.m_minText[kAir], "20.0C");
    EXPECT_EQ(state.readout.m_minText[kWetBulb], "12.0C");
    EXPECT_EQ(state.readout.m_minText[kHumidity], "45.2 %RH");
    EXPECT_EQ(state.extremes.g_maxReading[kHumidity], 50.0f);
}

}  // namespace
}  // namespace kr5061

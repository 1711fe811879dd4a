#include "sim/instrument_model.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "sim/model_harness.h"
#include "sim/psychrometrics.h"

namespace kr5061 {
namespace {

using test::Live;
using test::ModelHarness;

float f(float c) {
    return c * 1.8f + 32.0f;
}

TEST(InstrumentModel, SilentUntilStartThenOneFrameEveryInterval) {
    ModelHarness h;
    for (; h.now < 5000; h.now += 10) {
        ASSERT_TRUE(h.drain().empty()) << h.now;
    }
    h.start();
    int frames = 0;
    for (std::int64_t end = h.now + 2000; h.now <= end; h.now += 10) {
        frames += static_cast<int>(h.drain().size());
    }
    EXPECT_EQ(frames, 5);  // at +0, +500, +1000, +1500, +2000
    EXPECT_EQ(h.model.counters().framesSent, 5u);
    EXPECT_EQ(h.model.counters().startCommands, 1u);
}

TEST(InstrumentModel, RepeatedStartWhileStreamingKeepsTheRhythm) {
    ModelHarness h;
    h.startAndFirst();
    h.now += 200;
    h.start();
    EXPECT_TRUE(h.drain().empty());
    h.now += 300;
    EXPECT_EQ(h.drain().size(), 1u);
    EXPECT_EQ(h.model.counters().startCommands, 2u);
}

TEST(InstrumentModel, FramesStayPhysicalOverALongRunInBothUnits) {
    for (bool fahrenheit : {false, true}) {
        SCOPED_TRACE(fahrenheit ? "F" : "C");
        SimOptions o;
        o.fahrenheit = fahrenheit;
        ModelHarness h(o);
        h.startAndFirst();
        float lowAir = 100, highAir = -100;
        for (int i = 0; i < 4000; ++i) {  // about half an hour
            const Live l = h.next();
            ASSERT_EQ(l.a & 0xC0, 0xC0);  // supply normal, PC link
            ASSERT_EQ(l.b & kStatusBFahrenheit, fahrenheit ? kStatusBFahrenheit : 0);
            ASSERT_EQ(l.marker, 0);
            ASSERT_LE(l.dp, l.wb);
            ASSERT_LE(l.wb, l.air);
            ASSERT_NEAR(l.wb, wetBulbC(l.air, l.rh), 0.06);
            ASSERT_NEAR(l.dp, dewPointC(l.air, l.rh), 0.06);
            // Readings travel in Celsius whatever the display shows.
            ASSERT_TRUE(l.air >= 18 && l.air <= 28) << l.air;
            ASSERT_TRUE(l.rh >= 35 && l.rh <= 65) << l.rh;
            ASSERT_TRUE(l.surface >= 30 && l.surface <= 60) << l.surface;
            ASSERT_NEAR(l.d1, fahrenheit ? f(l.air) : l.air, 0.051);
            ASSERT_FLOAT_EQ(l.d2, l.rh);
            ASSERT_NEAR(l.d3, fahrenheit ? f(l.surface) : l.surface, 0.051);
            lowAir = std::min(lowAir, l.air);
            highAir = std::max(highAir, l.air);
        }
        EXPECT_GT(highAir - lowAir, 2.0f) << "the room should drift";
    }
}

TEST(InstrumentModel, UnitsKeyConvertsOnlyTheDisplayValues) {
    ModelHarness h;
    h.startAndFirst();
    h.key(kKeyUnits);
    Live l = h.next();
    EXPECT_EQ(l.b & kStatusBFahrenheit, kStatusBFahrenheit);
    EXPECT_NEAR(l.d1, f(l.air), 0.051);
    EXPECT_FLOAT_EQ(l.d2, l.rh);
    EXPECT_LT(l.air, 30.0f);
    h.key(kKeyUnits);
    l = h.next();
    EXPECT_EQ(l.b & kStatusBFahrenheit, 0);
    EXPECT_FLOAT_EQ(l.d1, l.air);
}

TEST(InstrumentModel, HoldKeysFreezeTheirGroupOnly) {
    ModelHarness h;
    const Live before = h.startAndFirst();
    h.key(kKeyHoldUpper);
    bool readingsMoved = false;
    for (int i = 0; i < 200; ++i) {
        const Live l = h.next();
        ASSERT_EQ(l.a & kStatusAHold, kStatusAHold);
        ASSERT_FLOAT_EQ(l.d1, before.d1);
        ASSERT_FLOAT_EQ(l.d2, before.d2);
        ASSERT_FLOAT_EQ(l.d3, l.surface);  // value 3 is not held
        readingsMoved |= l.air != before.air || l.rh != before.rh;
    }
    EXPECT_TRUE(readingsMoved);

    // A held value follows a unit change: it is held as a temperature.
    h.key(kKeyUnits);
    EXPECT_NEAR(h.next().d1, f(before.d1), 0.051);
    h.key(kKeyUnits);

    h.key(kKeyHoldUpper);
    h.key(kKeyHoldLower);
    const Live released = h.next();
    EXPECT_EQ(released.a & kStatusAHold, 0);
    EXPECT_FLOAT_EQ(released.d1, released.air);
    for (int i = 0; i < 50; ++i) {
        const Live l = h.next();
        ASSERT_EQ(l.b & kStatusBHold, kStatusBHold);
        ASSERT_FLOAT_EQ(l.d3, released.d3);
        ASSERT_FLOAT_EQ(l.d1, l.air);
    }
}

TEST(InstrumentModel, IrtHoldsTheInfraredReadingButNotTheThermocouple) {
    for (Probe probe : {Probe::infrared, Probe::thermocouple}) {
        SimOptions o;
        o.probe = probe;
        ModelHarness h(o);
        const Live before = h.startAndFirst();
        h.send(buildCommandFrame(kCmdIrt, kIrtArgument));
        bool moved = false;
        for (int i = 0; i < 100; ++i) {
            const Live l = h.next();
            ASSERT_EQ(l.b & kStatusBSurfaceHold, kStatusBSurfaceHold);
            if (probe == Probe::infrared) {
                ASSERT_FLOAT_EQ(l.surface, before.surface);
                ASSERT_FLOAT_EQ(l.d3, before.d3);
            }
            moved |= l.surface != before.surface;
        }
        EXPECT_EQ(moved, probe == Probe::thermocouple);
        h.send(buildCommandFrame(kCmdIrt, kIrtArgument));
        EXPECT_EQ(h.next().b & kStatusBSurfaceHold, 0);
    }
}

TEST(InstrumentModel, MaxMinUpperCyclesMaxMinOffOverValuesOneAndTwo) {
    ModelHarness h;
    h.startAndFirst();
    h.key(kKeyMaxMinUpper);
    float maxAir = -100, minAir = 100, maxRh = -1;
    for (int i = 0; i < 300; ++i) {
        const Live l = h.next();
        maxAir = std::max(maxAir, l.air);
        minAir = std::min(minAir, l.air);
        maxRh = std::max(maxRh, l.rh);
        ASSERT_EQ(l.a & 0x03, kStatusAMax);
        ASSERT_FLOAT_EQ(l.d1, maxAir);
        ASSERT_FLOAT_EQ(l.d2, maxRh);
    }
    ASSERT_GT(maxAir, minAir);
    h.key(kKeyMaxMinUpper);  // MIN keeps the record that MAX started
    Live l = h.next();
    EXPECT_EQ(l.a & 0x03, kStatusAMin);
    EXPECT_FLOAT_EQ(l.d1, std::min(minAir, l.air));
    h.key(kKeyMaxMinUpper);
    l = h.next();
    EXPECT_EQ(l.a & 0x03, 0);
    EXPECT_FLOAT_EQ(l.d1, l.air);
    // Re-entering MAX starts a new record, and the double-click code leaves it.
    h.key(kKeyMaxMinUpper);
    l = h.next();
    EXPECT_FLOAT_EQ(l.d1, l.air);
    h.key(kKeyMaxMinUpperExit);
    EXPECT_EQ(h.next().a & 0x03, 0);
}

TEST(InstrumentModel, MaxMinLowerTracksTheSurfaceValue) {
    ModelHarness h;
    h.startAndFirst();
    h.key(kKeyMaxMinLower);
    h.key(kKeyMaxMinLower);
    float minSurface = 1000;
    for (int i = 0; i < 300; ++i) {
        const Live l = h.next();
        minSurface = std::min(minSurface, l.surface);
        ASSERT_EQ(l.b & 0x03, kStatusBMin);
        ASSERT_FLOAT_EQ(l.d3, minSurface);
        ASSERT_FLOAT_EQ(l.d1, l.air);
    }
    h.key(kKeyMaxMinLowerExit);
    EXPECT_EQ(h.next().b & 0x03, 0);
}

TEST(InstrumentModel, AverageLightsRecAndStaysWithinTheRange) {
    ModelHarness h;
    h.startAndFirst();
    h.key(kKeyAvgUpper);
    double sumAir = 0, sumRh = 0;
    for (int i = 1; i <= 300; ++i) {
        const Live l = h.next();
        sumAir += l.air;
        sumRh += l.rh;
        ASSERT_EQ(l.a & kStatusARec, kStatusARec);
        ASSERT_NEAR(l.d1, sumAir / i, 0.051);
        ASSERT_NEAR(l.d2, sumRh / i, 0.051);
    }
    // MAX/MIN replaces the average.
    h.key(kKeyMaxMinUpper);
    const Live l = h.next();
    EXPECT_EQ(l.a & (kStatusARec | kStatusAMax), kStatusAMax);
}

TEST(InstrumentModel, AreaKeyWalksValueOneThroughWetBulbAndDewPoint) {
    ModelHarness h;
    h.startAndFirst();
    h.key(kKeyArea);
    Live l = h.next();
    EXPECT_EQ(l.a & 0x0C, kStatusAWetBulb);
    EXPECT_FLOAT_EQ(l.d1, l.wb);
    h.send(buildCommandFrame(kCmdKey, kKeyArea, kKeyArea));  // as the program sends it
    l = h.next();
    EXPECT_EQ(l.a & 0x0C, kStatusADewPoint);
    EXPECT_FLOAT_EQ(l.d1, l.dp);
    h.key(kKeyAreaReset);
    l = h.next();
    EXPECT_EQ(l.a & 0x0C, 0);
    EXPECT_FLOAT_EQ(l.d1, l.air);
}

TEST(InstrumentModel, BacklightAndUnknownCodes) {
    ModelHarness h;
    const Live first = h.startAndFirst();
    h.key(0x01);
    h.key(0xEE);
    h.send(buildCommandFrame(0x70, 0x01));
    Live l = h.next();
    EXPECT_EQ(l.a, first.a);
    EXPECT_EQ(l.b, first.b);
    EXPECT_EQ(h.model.counters().keyFrames, 2u);
    EXPECT_EQ(h.model.counters().unknownCommands, 1u);
    h.key(kKeyBacklight);
    EXPECT_EQ(h.next().b & kStatusBBacklight, kStatusBBacklight);
}

TEST(InstrumentModel, PowerOffStopsStreamingAndClearsModesUntilNextStart) {
    SimOptions o;
    ModelHarness h(o);
    h.startAndFirst();
    h.key(kKeyHoldUpper);
    h.key(kKeyBacklight);
    h.key(kKeyUnits);
    h.next();
    h.key(kKeyPowerOff);
    for (int i = 0; i < 20; ++i, h.now += 100) {
        ASSERT_TRUE(h.drain().empty());
    }
    h.key(kKeyHoldLower);  // ignored while off
    const Live l = h.startAndFirst();
    EXPECT_EQ(l.a, kStatusASupplyNormal | kStatusAPcLink);
    EXPECT_EQ(l.b, kStatusBFahrenheit);  // the unit survives power-off
    EXPECT_EQ(h.model.counters().startCommands, 2u);
}

}  // namespace
}  // namespace kr5061

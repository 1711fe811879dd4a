#include <gtest/gtest.h>

#include <memory>

#include "link/receive_step.h"
#include "support/live_frames.h"

namespace kr5061 {
namespace {

using test::FrameFields;
using test::makeFrame;

constexpr std::uint8_t kTypeK = 0x10, kHeld = 0x80;

class ReceiveStep : public ::testing::Test {
protected:
    ReceiveOutcome receive(const FrameFields& frameSpec, std::int64_t now = 1000) {
        const LiveFrame f = makeFrame(frameSpec);
        return onReceive(state, *doc, reader, f.data(), f.size(), now);
    }
    float stored(int ch) const { return doc->m_live[ch][state.view.m_sampleIndex]; }

    LiveState state;
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    FrameReader reader;
};

struct StatusCase {
    std::uint8_t a, b;
    std::string MeterState::*field;
    const char* text;
};

TEST_F(ReceiveStep, StatusBitsGiveExactPaddedTexts) {
    const StatusCase cases[] = {
        {0x00, 0x00, &MeterState::m_annMaxMin1, "   "},
        {0x01, 0x00, &MeterState::m_annMaxMin1, "MAX"},
        {0x03, 0x00, &MeterState::m_annMaxMin1, "     MIN"},
        {0x00, 0x01, &MeterState::m_annMaxMin2, "MAX"},
        {0x00, 0x03, &MeterState::m_annMaxMin2, "      MIN"},
        {0x00, 0x00, &MeterState::m_annHold1, "    "},
        {0x10, 0x00, &MeterState::m_annHold1, "HOLD"},
        {0x00, 0x04, &MeterState::m_annHold2, "HOLD"},
        {0x00, 0x00, &MeterState::m_annRec1, "     "},
        {0x20, 0x00, &MeterState::m_annRec1, "REC"},
        {0x00, 0x08, &MeterState::m_annRec2, "REC"},
        {0x00, 0x00, &MeterState::m_annPcLink, "       "},
        {0x80, 0x00, &MeterState::m_annPcLink, "PC-LINK"},
        {0x00, 0x00, &MeterState::m_annWbDp, "  "},
        {0x04, 0x00, &MeterState::m_annWbDp, "WB"},
        {0x0C, 0x00, &MeterState::m_annWbDp, "DP"},
        {0x00, 0x00, &MeterState::m_annProbe, "IRTEMP"},
        {0x00, kTypeK, &MeterState::m_annProbe, "     TYPE-K"},
        {0x00, kHeld, &MeterState::m_annProbe, "            "},
        {0x00, kTypeK | kHeld, &MeterState::m_annProbe, "     TYPE-K"},
        {0x00, 0x00, &MeterState::m_lcdUnit, "C"},
        {0x00, 0x20, &MeterState::m_lcdUnit, "F"},
    };
    for (const StatusCase& c : cases) {
        // Set everything first so that a missing reset shows up.
        applyStatus(state, 0xFF, 0x7F);
        applyStatus(state, c.a, c.b);
        EXPECT_EQ(state.meter.*c.field, c.text) << "A=" << int(c.a) << " B=" << int(c.b);
    }
}

TEST_F(ReceiveStep, UnitBacklightAndSupplyFollowTheirBits) {
    applyStatus(state, 0x40, 0x60);
    EXPECT_TRUE(state.view.m_fahrenheit);
    EXPECT_EQ(state.view.m_unitText, "F");
    EXPECT_TRUE(state.meter.m_backlight);
    EXPECT_EQ(state.graphBar.m_batteryText, "Normal");
    applyStatus(state, 0x00, 0x00);
    EXPECT_FALSE(state.view.m_fahrenheit);
    EXPECT_EQ(state.view.m_unitText, "C");
    EXPECT_FALSE(state.meter.m_backlight);
    EXPECT_EQ(state.graphBar.m_batteryText, "Low");
}

TEST_F(ReceiveStep, ReadingsLandInTheCurrentSlotInChannelOrder) {
    state.view.m_sampleIndex = 7;
    FrameFields s;
    s.air = 21.5f;
    s.wetBulb = 15.25f;
    s.dewPoint = 10.75f;
    s.surface = 33.5f;
    s.humidity = 48.0f;
    const ReceiveOutcome out = receive(s);
    EXPECT_EQ(out.framesAccepted, 1);
    EXPECT_EQ(doc->m_live[kAir][7], 21.5f);
    EXPECT_EQ(doc->m_live[kWetBulb][7], 15.25f);
    EXPECT_EQ(doc->m_live[kDewPoint][7], 10.75f);
    EXPECT_EQ(doc->m_live[kSurface][7], 33.5f);
    EXPECT_EQ(doc->m_live[kHumidity][7], 48.0f);
    EXPECT_TRUE(state.view.m_newFrame);
    EXPECT_TRUE(state.frame.m_frameReceived);
}

TEST_F(ReceiveStep, AcceptedFrameLocksThePortMenuAndClearsOffline) {
    state.view.m_offline = true;
    state.frame.m_awaitingData[1] = true;
    receive(FrameFields{});
    EXPECT_FALSE(state.view.m_offline);
    EXPECT_FALSE(state.frame.m_awaitingData[1]);
    EXPECT_FALSE(state.frame.m_otherComEnable);
    for (bool e : state.frame.m_comEnable) {
        EXPECT_FALSE(e);
    }
    EXPECT_TRUE(state.view.m_runEnabled);  // not recording: Run becomes possible
}

TEST_F(ReceiveStep, WrongTrailerChangesNothing) {
    LiveFrame f = makeFrame();
    f[kLiveTrailerOffset] = 0x00;
    state.view.m_sampleIndex = 3;
    const ReceiveOutcome out = onReceive(state, *doc, reader, f.data(), f.size(), 1);
    EXPECT_EQ(out.framesAccepted, 0);
    EXPECT_FALSE(state.frame.m_frameReceived);
    EXPECT_EQ(doc->m_live[kAir][3], 0.0f);
    EXPECT_TRUE(state.meter.m_lcdValue1.empty());
}

TEST_F(ReceiveStep, FirstFrameAfterRunStartsTheRunAtSlotZero) {
    state.view.m_sampleIndex = 55;
    state.view.m_runCounter2 = 9;
    state.frame.m_startPending = true;
    state.frame.m_recording = true;
    const ReceiveOutcome out = receive(FrameFields{}, 123456);
    EXPECT_TRUE(out.notifyViews);
    EXPECT_FALSE(state.frame.m_startPending);
    EXPECT_FALSE(state.frame.m_idle);
    EXPECT_EQ(state.view.m_startTime, 123456);
    EXPECT_EQ(state.view.m_sampleIndex, 0);
    EXPECT_EQ(state.view.m_runCounter2, 0);
    EXPECT_EQ(doc->m_live[kAir][0], 23.5f);
    EXPECT_FALSE(state.view.m_runEnabled);  // recording: Run stays as it was
    // A second frame of the same run does not restart it.
    EXPECT_FALSE(receive(FrameFields{}, 123999).notifyViews);
    EXPECT_EQ(state.view.m_startTime, 123456);
}

TEST_F(ReceiveStep, RunEndsAtTheLimitAndTheLimitSlotStillTakesTheFrame) {
    state.frame.m_idle = false;
    state.frame.m_recording = true;
    state.view.m_stopEnabled = true;
    state.view.m_sampleLimit = 1000;
    state.view.m_sampleIndex = 1000;
    FrameFields s;
    s.air = 42.0f;
    const ReceiveOutcome out = receive(s);
    EXPECT_TRUE(out.runEnded);
    EXPECT_TRUE(state.frame.m_idle);
    EXPECT_FALSE(state.frame.m_recording);
    EXPECT_FALSE(state.view.m_stopEnabled);
    EXPECT_EQ(doc->m_live[kAir][1000], 42.0f);
}

TEST_F(ReceiveStep, RunEndCheckRunsEvenForRefusedBytes) {
    state.frame.m_idle = false;
    state.frame.m_recording = true;
    state.view.m_sampleLimit = 1000;
    state.view.m_sampleIndex = 1000;
    const std::uint8_t junk[3] = {1, 2, 3};
    EXPECT_TRUE(onReceive(state, *doc, reader, junk, sizeof junk, 0).runEnded);
    EXPECT_TRUE(state.frame.m_idle);
}

TEST_F(ReceiveStep, DisplayValuesOneAndTwoRoundThirdIsCutTowardZero) {
    FrameFields s;
    s.display1 = 23.46f;
    s.display2 = -0.04f;
    s.display3 = 23.47f;
    receive(s);
    EXPECT_EQ(state.meter.m_lcdValue1, "23.5");
    EXPECT_EQ(state.meter.m_lcdValue2, "-0.0");
    EXPECT_EQ(state.meter.m_lcdValue3, "23.4");
    s.display3 = -23.47f;
    receive(s);
    EXPECT_EQ(state.meter.m_lcdValue3, "-23.4");
    s.display3 = 0.04f;
    receive(s);
    EXPECT_EQ(state.meter.m_lcdValue3, "0.0");
    s.display3 = 123.4f;
    receive(s);
    EXPECT_EQ(state.meter.m_lcdValue3, "123.4");
    s.display3 = 49.1f;  // a float just below 49.1 still shows as sent
    receive(s);
    EXPECT_EQ(state.meter.m_lcdValue3, "49.1");
}

struct SurfaceCase {
    const char* name;
    std::uint8_t marker, statusB;
    float k;
    float stored;
    const char* shown;  // nullptr: the instrument's own text
};

TEST_F(ReceiveStep, SurfaceRangeAndAbsentRules) {
    const SurfaceCase cases[] = {
        {"IR over range clamps to ceiling", kRangeOver, 0, 612.0f, 505.0f, "+OL"},
        {"IR over marker with very low value", kRangeOver, 0, -70.0f, 505.0f, "+OL"},
        {"IR over marker in range unchanged", kRangeOver, 0, 100.0f, 100.0f, nullptr},
        {"IR under range clamps to floor", kRangeUnder, 0, -80.0f, -55.0f, "-OL"},
        {"type-K over range", kRangeOver, kTypeK, 2600.0f, 2501.0f, "+OL"},
        {"type-K under range", kRangeUnder, kTypeK, -200.0f, -148.0f, "-OL"},
        {"type-K at IR ceiling is a reading", 0, kTypeK, 505.0f, 505.0f, nullptr},
        {"no marker keeps out-of-range value", 0, 0, 612.0f, 612.0f, nullptr},
        {"absent without marker", 0, 0, -1000.0f, -9000.0f, "----"},
        {"absent with over marker", kRangeOver, 0, -1000.0f, -9000.0f, "----"},
        {"absent with under marker", kRangeUnder, kTypeK, -1000.0f, -9000.0f, "----"},
    };
    for (const SurfaceCase& c : cases) {
        LiveState fresh;
        state = fresh;
        FrameFields s;
        s.marker = c.marker;
        s.statusB = c.statusB;
        s.surface = c.k;
        s.display3 = 77.7f;
        receive(s);
        EXPECT_EQ(stored(kSurface), c.stored) << c.name;
        EXPECT_EQ(state.meter.m_lcdValue3, c.shown ? c.shown : "77.7") << c.name;
    }
}

TEST_F(ReceiveStep, HeldInfraredRepeatsLastUnheldReadingAndText) {
    FrameFields s;
    s.surface = 41.0f;
    s.display3 = 41.0f;
    receive(s);
    s.statusB = kHeld;
    s.surface = 55.0f;
    s.display3 = 55.0f;
    receive(s);
    EXPECT_EQ(stored(kSurface), 41.0f);
    EXPECT_EQ(state.meter.m_lcdValue3, "41.0");
    // The thermocouple is never held by the program.
    s.statusB = kHeld | kTypeK;
    receive(s);
    EXPECT_EQ(stored(kSurface), 55.0f);
    EXPECT_EQ(state.meter.m_lcdValue3, "55.0");
}

TEST_F(ReceiveStep, HeldBeforeAnyUnheldFrameShowsAbsent) {
    FrameFields s;
    s.statusB = kHeld;
    receive(s);
    EXPECT_EQ(stored(kSurface), kAbsentReading);
    EXPECT_EQ(state.meter.m_lcdValue3, "      ");
}

TEST_F(ReceiveStep, ZeroFixReplacesFirstInfraredZeroAfterThermocouple) {
    FrameFields s;
    s.surface = 0.0f;
    receive(s);
    EXPECT_EQ(stored(kSurface), 0.0f) << "no fix before a thermocouple frame was seen";

    s.statusB = kTypeK;
    s.surface = 250.0f;
    receive(s);
    s.statusB = 0;
    s.surface = 0.0f;
    receive(s);
    EXPECT_EQ(stored(kSurface), 250.0f);
    receive(s);
    EXPECT_EQ(stored(kSurface), 0.0f) << "only the first infrared frame is fixed";
}

TEST_F(ReceiveStep, NeverWritesPastTheStore) {
    state.view.m_sampleIndex = kSampleCapacity;
    EXPECT_EQ(receive(FrameFields{}).framesAccepted, 0);
}

}  // namespace
}  // namespace kr5061

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "link/link_ticks.h"
#include "link/receive_step.h"
#include "support/live_frames.h"

namespace kr5061 {
namespace {

class LinkTicks : public ::testing::Test {
protected:
    void SetUp() override { initFrameState(state.frame, 1); }
    // A frame accepted at `atMs` of the sample clock's time.
    void frame(float air = 20.0f, std::int64_t atMs = 0) {
        test::FrameFields s;
        s.air = air;
        const LiveFrame f = test::makeFrame(s);
        if (onReceive(state, *doc, reader, f.data(), f.size(), 5000).framesAccepted > 0) {
            clock.frameArrived(atMs);
        }
    }
    SampleTickResult tick(std::int64_t atMs) { return sampleTick(state, *doc, clock, atMs); }
    void startRun(int limit) {
        state.view.m_sampleLimit = limit;
        state.frame.m_startPending = true;
        state.frame.m_recording = true;
    }

    LiveState state;
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    FrameReader reader;
    SampleClock clock;
};

TEST_F(LinkTicks, CreationStateMarksConfiguredPortOnly) {
    MainFrameState f;
    initFrameState(f, 3);
    EXPECT_TRUE(f.m_idle);
    EXPECT_FALSE(f.m_comRadio[0]);
    EXPECT_TRUE(f.m_comRadio[2]);
    EXPECT_TRUE(f.m_awaitingData[3]);
    EXPECT_FALSE(f.m_awaitingData[1]);
    initFrameState(f, 7);
    for (bool r : f.m_comRadio) {
        EXPECT_FALSE(r) << "port 7 has no menu item to mark";
    }
}

TEST_F(LinkTicks, OnePollPerTickAndOnlyAfterAcceptedFrames) {
    EXPECT_FALSE(pollTick(state.frame));
    frame();
    frame();
    EXPECT_TRUE(pollTick(state.frame));
    EXPECT_FALSE(pollTick(state.frame));
}

TEST_F(LinkTicks, WatchdogEndsRunAndUnlocksMenuWhenSilent) {
    startRun(1000);
    frame();
    EXPECT_FALSE(state.frame.m_idle);
    state.frame.m_hiAlarm[2] = true;
    state.view.m_stopEnabled = true;
    EXPECT_FALSE(watchdogTick(state)) << "a frame arrived since the last tick";
    EXPECT_TRUE(state.frame.m_awaitingData[1]);
    EXPECT_TRUE(watchdogTick(state));
    EXPECT_TRUE(state.view.m_offline);
    EXPECT_TRUE(state.frame.m_idle);
    EXPECT_FALSE(state.frame.m_recording);
    EXPECT_FALSE(state.view.m_stopEnabled);
    EXPECT_FALSE(state.view.m_runEnabled);
    EXPECT_FALSE(state.frame.m_hiAlarm[2]);
    EXPECT_TRUE(state.frame.m_otherComEnable);
    for (bool e : state.frame.m_comEnable) {
        EXPECT_TRUE(e);
    }
    EXPECT_TRUE(state.frame.m_awaitingData[1]);
    EXPECT_TRUE(watchdogTick(state)) << "keeps firing while the instrument is silent";
}

TEST_F(LinkTicks, PeriodWithoutFrameCarriesTheLatestReadingSoSampleTimesStayHonest) {
    frame(9.0f, 500);  // streaming before Run
    startRun(4);
    EXPECT_EQ(tick(1000).committed, 0) << "a reading from before Run belongs to no run";
    EXPECT_EQ(state.view.m_sampleIndex, 0);
    frame(1.0f, 1100);
    frame(2.0f, 1900);  // same period: overwrites slot 0
    EXPECT_EQ(tick(2000).committed, 1);
    EXPECT_EQ(doc->m_live[kAir][0], 2.0f);
    EXPECT_EQ(state.graphBar.m_dataNoText, "1");
    // Frames slower than the period: every tick still commits one sample,
    // the reading current at that tick.
    const struct {
        std::int64_t frameAt;  // 0: none before the tick
        float air;
        float expected;
    } ticks[] = {{0, 0.0f, 2.0f}, {3500, 3.0f, 3.0f}, {0, 0.0f, 3.0f}};
    std::int64_t at = 2000;
    for (const auto& t : ticks) {
        if (t.frameAt != 0) {
            frame(t.air, t.frameAt);
        }
        const int i = state.view.m_sampleIndex;
        EXPECT_EQ(tick(at += 1000).committed, 1);
        EXPECT_EQ(doc->m_live[kAir][i], t.expected) << "sample " << i;
        EXPECT_EQ(doc->m_live[kHumidity][i], doc->m_live[kHumidity][0]);
    }
    EXPECT_EQ(tick(at += 1000).committed, 0) << "never carried past the sample limit";
    EXPECT_EQ(state.view.m_sampleIndex, 4);
}

// Period 1 s; sample 0 is the frame of 900 ms, committed by the tick at
// 1000 ms. What later ticks commit follows from the 2.5 s carry limit.
TEST_F(LinkTicks, TicksKeepAbsoluteTimeAndEndTheRunRatherThanStampAReadingFalsely) {
    struct Event {
        std::int64_t at;
        bool isFrame;  // else a tick
    };
    const struct {
        const char* what;
        std::vector<Event> events;
        int samples;  // committed in the end
        RunCut cut;
        const char* text;
    } cases[] = {
        {"a silent instrument: carried while younger than 2.5 s, then left to the watchdog",
         {{2000, false}, {3000, false}, {4000, false}, {5000, false}},
         3,
         RunCut::kNone,
         ""},
        {"ticks late and early by 400 ms: one sample each",
         {{1950, true}, {2400, false}, {2500, true}, {2600, false}},
         3,
         RunCut::kNone,
         ""},
        {"two ticks missed: filled within the carry limit",
         {{1900, true}, {3100, false}},
         3,
         RunCut::kNone,
         ""},
        {"stopped for 6 s after a frame: filled while the carry holds, then cut",
         {{1900, true}, {7000, false}},
         4,
         RunCut::kProgramStopped,
         "the program was stopped for 6 s; the run ended at sample 4"},
        {"stopped, and a new frame read before the late tick: it belongs to the tick's own slot",
         {{1900, true}, {6950, true}, {7000, false}},
         3,
         RunCut::kProgramStopped,
         "the program was stopped for 6 s; the run ended at sample 3"},
        {"the instrument back after a hole the carry could not fill",
         {{2000, false}, {3000, false}, {4000, false}, {4500, true}, {5000, false}},
         3,
         RunCut::kReadingsMissing,
         "no reading came for 3 s; the run ended at sample 3"},
    };
    for (const auto& c : cases) {
        state = LiveState{};
        initFrameState(state.frame, 1);
        clock = SampleClock{};
        startRun(1000);
        frame(1.0f, 900);
        ASSERT_EQ(tick(1000).committed, 1) << c.what;
        SampleTickResult last;
        float air = 1.0f;
        for (const Event& e : c.events) {
            if (e.isFrame) {
                frame(air += 1.0f, e.at);
            } else {
                last = tick(e.at);
            }
        }
        EXPECT_EQ(state.view.m_sampleIndex, c.samples) << c.what;
        EXPECT_EQ(last.cut, c.cut) << c.what;
        EXPECT_EQ(state.frame.m_recording, c.cut == RunCut::kNone) << c.what;
        if (c.cut != RunCut::kNone) {
            EXPECT_EQ(runCutText(last, state.view.m_sampleIndex), c.text) << c.what;
        }
    }
}

TEST_F(LinkTicks, NothingIsCarriedOnceTheLinkIsKnownGone) {
    for (const bool hangUp : {false, true}) {
        state = LiveState{};
        initFrameState(state.frame, 1);
        clock = SampleClock{};
        startRun(1000);
        frame(5.0f, 900);
        EXPECT_EQ(tick(1000).committed, 1);
        if (hangUp) {
            endSilentLink(state);
        } else {
            watchdogTick(state);
            EXPECT_TRUE(watchdogTick(state));
        }
        EXPECT_EQ(tick(2000).committed, 0) << "a reading of 1.1 s, but the link is gone";
        EXPECT_EQ(state.view.m_sampleIndex, 1);
    }
}

TEST_F(LinkTicks, ALateWatchdogTickBlamesNoOne) {
    startRun(1000);
    frame();
    watchdogTick(state);
    EXPECT_FALSE(watchdogTick(state, false)) << "the program itself did not run";
    EXPECT_TRUE(state.frame.m_recording);
    EXPECT_TRUE(watchdogTick(state)) << "the next tick on time judges again";
}

TEST_F(LinkTicks, SampleClockIdleWhenNotRecording) {
    frame();
    EXPECT_EQ(tick(1000).committed, 0);
    EXPECT_EQ(state.view.m_sampleIndex, 0);
}

TEST_F(LinkTicks, RunOfOneThousandEndsWithLatestReadingInSlotOneThousand) {
    startRun(1000);
    for (int i = 0; i < 1000; ++i) {
        frame(static_cast<float>(i), 1000 * i + 900);
        tick(1000 * i + 1000);
    }
    EXPECT_EQ(state.view.m_sampleIndex, 1000);
    EXPECT_TRUE(state.frame.m_recording) << "the end is noticed by the next receive";
    frame(-5.0f, 1'000'900);
    EXPECT_TRUE(state.frame.m_idle);
    EXPECT_FALSE(state.frame.m_recording);
    EXPECT_EQ(tick(1'001'000).committed, 0);
    EXPECT_EQ(state.view.m_sampleIndex, 1000);
    EXPECT_EQ(doc->m_live[kAir][999], 999.0f);
    EXPECT_EQ(doc->m_live[kAir][1000], -5.0f);
}

TEST_F(LinkTicks, SecondRunKeepsOldValuesBeyondItsIndex) {
    startRun(1000);
    for (int i = 0; i < 5; ++i) {
        frame(100.0f + i, 1000 * i + 900);
        tick(1000 * i + 1000);
    }
    state.frame.m_idle = true;  // Stop
    state.frame.m_recording = false;
    startRun(1000);
    frame(7.0f, 9000);
    EXPECT_EQ(state.view.m_sampleIndex, 0);
    EXPECT_EQ(doc->m_live[kAir][0], 7.0f);
    EXPECT_EQ(doc->m_live[kAir][3], 103.0f);
}

TEST_F(LinkTicks, PortCommands) {
    selectMenuPort(state.frame, 3);
    EXPECT_EQ(state.frame.m_comPort, 3);
    EXPECT_TRUE(state.frame.m_comRadio[2]);
    EXPECT_FALSE(state.frame.m_comRadio[0]);
    EXPECT_TRUE(state.frame.m_awaitingData[3]);
    EXPECT_FALSE(state.frame.m_awaitingData[1]);

    EXPECT_EQ(otherComInitialValue(state.frame), 5);
    EXPECT_FALSE(selectOtherPort(state.frame, 4));
    EXPECT_FALSE(selectOtherPort(state.frame, 17));
    EXPECT_EQ(state.frame.m_comPort, 3);
    EXPECT_TRUE(state.frame.m_comRadio[2]);
    EXPECT_TRUE(selectOtherPort(state.frame, 16));
    EXPECT_EQ(state.frame.m_comPort, 16);
    EXPECT_TRUE(state.frame.m_awaitingData[16]);
    for (bool r : state.frame.m_comRadio) {
        EXPECT_FALSE(r);
    }
    EXPECT_EQ(otherComInitialValue(state.frame), 16);
}

}  // namespace
}  // namespace kr5061

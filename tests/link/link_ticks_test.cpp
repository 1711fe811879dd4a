#include <gtest/gtest.h>

#include <memory>

#include "link/link_ticks.h"
#include "link/receive_step.h"
#include "support/live_frames.h"

namespace kr5061 {
namespace {

class LinkTicks : public ::testing::Test {
protected:
    void SetUp() override { initFrameState(state.frame, 1); }
    void frame(float air = 20.0f) {
        test::FrameSpec s;
        s.air = air;
        const LiveFrame f = test::makeFrame(s);
        onReceive(state, *doc, reader, f.data(), f.size(), 5000);
    }
    void startRun(int limit) {
        state.view.m_sampleLimit = limit;
        state.frame.m_startPending = true;
        state.frame.m_recording = true;
    }

    LiveState state;
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    FrameReader reader;
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
    frame(9.0f);  // streaming before Run
    startRun(4);
    EXPECT_FALSE(sampleTick(state, *doc)) << "a reading from before Run belongs to no run";
    EXPECT_EQ(state.view.m_sampleIndex, 0);
    frame(1.0f);
    frame(2.0f);  // same period: overwrites slot 0
    EXPECT_TRUE(sampleTick(state, *doc));
    EXPECT_EQ(state.view.m_sampleIndex, 1);
    EXPECT_EQ(doc->m_live[kAir][0], 2.0f);
    EXPECT_EQ(state.graphBar.m_dataNoText, "1");
    // Frames slower than the period: every tick still commits one sample,
    // the reading current at that tick.
    const struct {
        bool frameBefore;
        float air;
        float expected;
    } ticks[] = {{false, 0.0f, 2.0f}, {true, 3.0f, 3.0f}, {false, 0.0f, 3.0f}};
    for (const auto& t : ticks) {
        if (t.frameBefore) {
            frame(t.air);
        }
        const int i = state.view.m_sampleIndex;
        EXPECT_TRUE(sampleTick(state, *doc));
        EXPECT_EQ(state.view.m_sampleIndex, i + 1);
        EXPECT_EQ(doc->m_live[kAir][i], t.expected) << "sample " << i;
        EXPECT_EQ(doc->m_live[kHumidity][i], doc->m_live[kHumidity][0]);
    }
    EXPECT_FALSE(sampleTick(state, *doc)) << "never carried past the sample limit";
    EXPECT_EQ(state.view.m_sampleIndex, 4);
}

TEST_F(LinkTicks, NothingIsCarriedOnceTheWatchdogFoundTheLinkSilent) {
    startRun(1000);
    frame(5.0f);
    EXPECT_TRUE(sampleTick(state, *doc));
    watchdogTick(state);
    EXPECT_TRUE(watchdogTick(state));
    EXPECT_FALSE(sampleTick(state, *doc));
    EXPECT_EQ(state.view.m_sampleIndex, 1);
}

TEST_F(LinkTicks, SampleClockIdleWhenNotRecording) {
    frame();
    EXPECT_FALSE(sampleTick(state, *doc));
    EXPECT_EQ(state.view.m_sampleIndex, 0);
}

TEST_F(LinkTicks, RunOfOneThousandEndsWithLatestReadingInSlotOneThousand) {
    startRun(1000);
    for (int i = 0; i < 1000; ++i) {
        frame(static_cast<float>(i));
        sampleTick(state, *doc);
    }
    EXPECT_EQ(state.view.m_sampleIndex, 1000);
    EXPECT_TRUE(state.frame.m_recording) << "the end is noticed by the next receive";
    frame(-5.0f);
    EXPECT_TRUE(state.frame.m_idle);
    EXPECT_FALSE(state.frame.m_recording);
    EXPECT_FALSE(sampleTick(state, *doc));
    EXPECT_EQ(state.view.m_sampleIndex, 1000);
    EXPECT_EQ(doc->m_live[kAir][999], 999.0f);
    EXPECT_EQ(doc->m_live[kAir][1000], -5.0f);
}

TEST_F(LinkTicks, SecondRunKeepsOldValuesBeyondItsIndex) {
    startRun(1000);
    for (int i = 0; i < 5; ++i) {
        frame(100.0f + i);
        sampleTick(state, *doc);
    }
    state.frame.m_idle = true;  // Stop
    state.frame.m_recording = false;
    startRun(1000);
    frame(7.0f);
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

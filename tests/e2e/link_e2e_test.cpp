#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <memory>

#include "link/link_driver.h"
#include "link/link_ticks.h"
#include "link/ms_comm.h"
#include "sim/sim_runner.h"
#include "support/wait.h"

namespace kr5061 {
namespace {

using test::waitFor;

// The simulated instrument on the master side of a pseudo-terminal, the
// program's serial port and receive path on the slave side.
class LinkEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        SimOptions options;
        options.intervalMs = 100;
        std::string error;
        const std::string slave = sim.start(options, &error);
        ASSERT_FALSE(slave.empty()) << error;
        comm.bindDevice(1, QString::fromStdString(slave));
        initFrameState(state.frame, 1);
    }
    void TearDown() override { sim.stop(); }

    bool streaming() {
        return waitFor([&] { return state.frame.m_frameReceived; }, 3000);
    }

    SimRunner sim;
    LiveState state;
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    CMSComm comm;
    LinkDriver link{state, *doc, comm};
};

TEST_F(LinkEndToEnd, StartFrameArrivesExactlyAndFramesLandInTheStore) {
    state.frame.m_startPending = true;  // Run before the first frame
    state.frame.m_recording = true;
    ASSERT_TRUE(link.OpenPortAndStart());
    ASSERT_TRUE(waitFor([&] { return sim.startCommands() == 1; }, 3000));
    CommandFrame received[SimRunner::kRecentCommands];
    ASSERT_EQ(sim.recentCommands(received, SimRunner::kRecentCommands), 1u);
    EXPECT_EQ(received[0], startCommandFrame());

    ASSERT_TRUE(streaming());
    EXPECT_FALSE(state.frame.m_idle) << "the first frame started the run";
    EXPECT_GT(doc->m_live[kAir][0], 0.0f);
    EXPECT_GT(doc->m_live[kHumidity][0], 0.0f);
    EXPECT_LE(doc->m_live[kDewPoint][0], doc->m_live[kAir][0]);
    EXPECT_EQ(state.meter.m_annPcLink, "PC-LINK");
    EXPECT_FALSE(state.meter.m_lcdValue1.empty());
    EXPECT_FALSE(state.frame.m_otherComEnable) << "the port menu locks while the instrument talks";

    // Two ticks one period apart on the sample clock's own time.
    static std::int64_t s_nowMs = 0;
    link.setMonotonicClock([] { return s_nowMs; });
    s_nowMs = 1000;
    link.sampleTick();
    ASSERT_TRUE(waitFor([&] { return state.view.m_newFrame; }, 3000));
    s_nowMs = 2000;
    link.sampleTick();
    EXPECT_EQ(state.view.m_sampleIndex, 2);
    EXPECT_EQ(link.reader().discardedBytes(), 0u);
}

TEST_F(LinkEndToEnd, PollGoesOutAtMostOncePerTickAndOnlyAfterFrames) {
    link.pollTick();  // nothing accepted yet
    ASSERT_TRUE(link.OpenPortAndStart());
    ASSERT_TRUE(streaming());
    link.pollTick();
    link.pollTick();  // no frame can have arrived in between
    ASSERT_TRUE(waitFor([&] { return sim.pollsReceived() >= 1; }, 2000));
    QTest::qWait(200);
    EXPECT_EQ(sim.pollsReceived(), 1u);

    // With the real timer, frames every 100 ms still give one poll per second.
    link.startPollTimer();
    QTest::qWait(2300);
    EXPECT_GE(sim.pollsReceived(), 2u);
    EXPECT_LE(sim.pollsReceived(), 4u);
}

TEST_F(LinkEndToEnd, SilentInstrumentIsReopenedAndRestartedByTheWatchdog) {
    ASSERT_TRUE(link.OpenPortAndStart());
    ASSERT_TRUE(streaming());
    state.frame.m_startPending = false;
    state.frame.m_recording = true;
    state.frame.m_idle = false;
    link.watchdogTick();
    EXPECT_FALSE(state.view.m_offline) << "frames arrived during the last period";
    EXPECT_FALSE(state.frame.m_otherComEnable);

    sim.setSilent(true);
    QTest::qWait(300);
    // Fires only if no frame slipped in before the silence took effect; either
    // way the next period starts with nothing received.
    link.watchdogTick();
    QTest::qWait(300);
    QSignalSpy lost(&link, &LinkDriver::linkLost);
    const auto startsBefore = sim.startCommands();

    // The real timer: 3 s without a frame closes, reopens and restarts.
    link.startWatchdog();
    ASSERT_TRUE(waitFor([&] { return lost.count() == 1; }, 4000));
    EXPECT_TRUE(state.view.m_offline);
    EXPECT_TRUE(state.frame.m_idle);
    EXPECT_FALSE(state.frame.m_recording);
    EXPECT_TRUE(state.frame.m_otherComEnable);
    for (bool e : state.frame.m_comEnable) {
        EXPECT_TRUE(e);
    }
    EXPECT_TRUE(comm.portOpen());
    ASSERT_TRUE(waitFor([&] { return sim.startCommands() == startsBefore + 1; }, 1000));

    // Driving the next tick directly: still silent, so it restarts again.
    link.watchdogTick();
    ASSERT_TRUE(waitFor([&] { return sim.startCommands() == startsBefore + 2; }, 1000));

    sim.setSilent(false);
    ASSERT_TRUE(waitFor([&] { return !state.view.m_offline; }, 3000));
}

TEST_F(LinkEndToEnd, HangUpClosesThePortOnceWithoutAnErrorStorm) {
    ASSERT_TRUE(link.OpenPortAndStart());
    ASSERT_TRUE(streaming());
    QSignalSpy lost(&comm, &CMSComm::portLost);
    sim.hangUp();
    ASSERT_TRUE(waitFor([&] { return !comm.portOpen(); }, 3000));
    QTest::qWait(300);
    EXPECT_EQ(lost.count(), 1);
    EXPECT_LT(comm.errorSignalCount(), 20);

    // Reopening fails cleanly while the device is gone.
    sim.stop();
    EXPECT_FALSE(link.OpenPortAndStart());
    EXPECT_FALSE(comm.portOpen());
    EXPECT_FALSE(link.sendFrame(keyFrame(0x1E)));
}

}  // namespace
}  // namespace kr5061

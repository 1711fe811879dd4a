// A run whose instrument falls silent or whose cable is pulled, through the
// real port on the simulator's pseudo-terminal: no sample is carried after the
// link is known gone, nor beyond the carry limit.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <memory>
#include <vector>

#include "link/link_driver.h"
#include "link/ms_comm.h"
#include "sim/sim_runner.h"
#include "support/program.h"

namespace kr5061 {
namespace {

// The simulator on its pseudo-terminal, a frame every 100 ms, and a link on
// port 1 bound to it (or to `device`).
struct SimulatedLink {
    SimRunner sim;
    std::string slave;
    LiveState state;
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    CMSComm comm;
    std::unique_ptr<LinkDriver> link;

    explicit SimulatedLink(const QString& device = {}) {
        SimOptions options;
        options.intervalMs = 100;
        slave = sim.start(options);
        comm.bindDevice(1, device.isEmpty() ? QString::fromStdString(slave) : device);
        initFrameState(state.frame, 1);
        link = std::make_unique<LinkDriver>(state, *doc, comm);
    }
};

TEST(LinkLoss, NoSampleIsCarriedAfterTheLinkIsKnownGone) {
    for (const bool hangUp : {false, true}) {
        SimulatedLink s;
        ASSERT_FALSE(s.slave.empty());
        SimRunner& sim = s.sim;
        LiveState& state = s.state;
        LinkDriver& link = *s.link;
        state.view.m_samplePeriodMs = 200;  // a short period: many ticks within the carry limit
        state.view.m_sampleLimit = 10000;
        state.frame.m_startPending = true;
        state.frame.m_recording = true;

        QElapsedTimer clock;
        clock.start();
        qint64 lastFrame = 0, lostAt = -1;
        int lateCopies = 0, afterLoss = 0;
        QObject::connect(&link, &LinkDriver::framesAccepted, [&] { lastFrame = clock.elapsed(); });
        QObject::connect(&link, &LinkDriver::linkLost, [&] { lostAt = clock.elapsed(); });
        QTimer ticks;
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            if (!link.sampleTick()) {
                return;
            }
            // The program's clock and this one differ by the time the signals take.
            lateCopies += clock.elapsed() - lastFrame >= kCarryLimitMs + 100 ? 1 : 0;
            afterLoss += lostAt >= 0 ? 1 : 0;
        });
        ASSERT_TRUE(link.OpenPortAndStart());
        link.startWatchdog();
        ticks.start(state.view.m_samplePeriodMs);
        ASSERT_TRUE(test::waitFor([&] { return state.view.m_sampleIndex >= 5; }, 5000));

        const qint64 cut = clock.elapsed();
        hangUp ? sim.hangUp() : sim.setSilent(true);
        // A hang-up is known at once; silence when the watchdog finds it (3 to 6 s).
        ASSERT_TRUE(test::waitFor([&] { return lostAt >= 0; }, 8000)) << hangUp;
        if (hangUp) {
            EXPECT_LT(lostAt - cut, 1000);
        }
        const int samples = state.view.m_sampleIndex;
        QTest::qWait(600);
        EXPECT_EQ(lateCopies, 0) << hangUp;
        EXPECT_EQ(afterLoss, 0) << hangUp;
        EXPECT_EQ(state.view.m_sampleIndex, samples) << hangUp;
        EXPECT_FALSE(state.frame.m_recording) << hangUp;
    }
}

// A service reopens a port that is gone after 1 s, then twice as long each
// time up to 60 s, and after 1 s again once a reading came.
TEST(LinkLoss, AServiceReopensThePortWithAGrowingWaitThatAReadingResets) {
    SimulatedLink s(QStringLiteral("/dev/kr5061-not-there"));
    ASSERT_FALSE(s.slave.empty());
    LinkDriver& link = *s.link;
    link.setReopenBackoff(true);
    std::vector<int> waits;
    QObject::connect(&link, &LinkDriver::reopenScheduled, [&](int ms) { waits.push_back(ms); });
    int frames = 0;
    QObject::connect(&link, &LinkDriver::framesAccepted, [&] { ++frames; });

    link.reopenLater();  // the first open failed
    for (int k = 0; k < 7; ++k) {
        link.reopenTick();  // the device is still not there
    }
    EXPECT_EQ(waits, (std::vector<int>{1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000}));

    s.comm.bindDevice(1, QString::fromStdString(s.slave));
    link.reopenTick();
    ASSERT_TRUE(test::waitFor([&] { return frames > 0; }, 5000));
    s.sim.setSilent(true);
    QTest::qWait(300);  // what was on its way arrives
    waits.clear();
    link.watchdogTick();
    link.watchdogTick();
    EXPECT_EQ(waits, std::vector<int>{1000}) << "a reading made the wait short again";
}

}  // namespace
}  // namespace kr5061

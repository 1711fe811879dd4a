#include <gtest/gtest.h>

#include <QTest>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "link/link_driver.h"
#include "link/link_ticks.h"
#include "link/ms_comm.h"
#include "panels/alarm_log.h"
#include "panels/alarm_watch.h"
#include "sim/sim_runner.h"
#include "support/test_dirs.h"
#include "support/wait.h"

namespace kr5061 {
namespace {

std::string contentsOf(const std::filesystem::path& p) {
    std::ifstream in(p);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Simulated readings cross the limits; every rise and clear reaches the log file.
TEST(AlarmLogEndToEnd, LimitsCrossedBySimulatedReadingsAreLoggedToTheFile) {
    test::ScopedConfigDir config;
    SimRunner sim;
    SimOptions options;
    options.intervalMs = 100;
    const std::string slave = sim.start(options);
    ASSERT_FALSE(slave.empty());
    CMSComm comm;
    comm.bindDevice(1, QString::fromStdString(slave));
    LiveState state;
    auto doc = std::make_unique<CHygDoc>();
    initFrameState(state.frame, 1);
    AlarmLog log(alarmLogPath());
    AlarmWatch watch(log);
    state.alarmEvents.push_back(&watch);
    LinkDriver link(state, *doc, comm);
    state.readout.m_hiLimit[kAir] = -50.0f;  // every room is above it
    ASSERT_TRUE(link.OpenPortAndStart());
    ASSERT_TRUE(test::waitFor([&] { return log.size() >= 1; }, 5000));
    state.readout.m_hiLimit[kAir] = 140.0f;
    ASSERT_TRUE(test::waitFor([&] { return log.size() >= 2; }, 5000));
    sim.stop();

    EXPECT_EQ(log.newest(1).kind, AlarmKind::high);
    EXPECT_TRUE(log.newest(1).rise);
    EXPECT_FALSE(log.newest(0).rise);
    const std::string text = contentsOf(config.path() / "alarm-events.log");
    const auto rise = text.find("AIR  high alarm  rise  value ");
    const auto clear = text.find("AIR  high alarm  clear  value ");
    ASSERT_NE(rise, std::string::npos) << text;
    ASSERT_NE(clear, std::string::npos) << text;
    EXPECT_LT(rise, clear);
    EXPECT_NE(text.find("limit -50.0 C"), std::string::npos) << text;
}

}  // namespace
}  // namespace kr5061

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>

#include "link/link_ticks.h"
#include "link/receive_step.h"
#include "panels/alarm_log.h"
#include "panels/alarm_watch.h"
#include "support/live_frames.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

// Frames go through the real receive step, whose alarm evaluation tells the watch.
class AlarmEvents : public ::testing::Test {
protected:
    void SetUp() override {
        state.alarmEvents.push_back(&watch);
        state.readout.m_hiLimit[kAir] = 30.0f;
        state.readout.m_loLimit[kHumidity] = 20.0f;
    }
    void receive(float air, float rh, float surface, std::int64_t now) {
        test::FrameFields fields;
        fields.air = air;
        fields.humidity = rh;
        fields.surface = surface;
        const LiveFrame f = test::makeFrame(fields);
        ReceiveOutcome outcome;
        ASSERT_TRUE(receiveLiveFrame(state, *doc, f.data(), f.size(), now, outcome));
    }

    test::TempDir dir;
    AlarmLog log{dir.file("alarm-events.log")};
    AlarmWatch watch{log};
    LiveState state;
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
};

TEST_F(AlarmEvents, RiseAndClearOfEachAlarmAndOfCondensationRisk) {
    // 20 degC, 50 %: dew point 9.3 degC; a surface of 11 is within 3 K of it.
    receive(25.0f, 50.0f, 40.0f, 100);     // nothing
    receive(30.0f, 50.0f, 40.0f, 101);     // AIR reaches its high limit
    receive(30.5f, 50.0f, 40.0f, 102);     // still on: no event
    receive(29.9f, 15.0f, 40.0f, 103);     // AIR clears, RH falls to its low limit
    receive(20.0f, 50.0f, 11.0f, 104);     // condensation risk starts
    receive(20.0f, 50.0f, -1000.0f, 105);  // probe gone: the risk has no margin, it ends
    const struct {
        std::int64_t time;
        int channel;
        AlarmKind kind;
        bool rise;
        float value, limit;
        const char* unit;
    } expected[] = {
        {101, kAir, AlarmKind::high, true, 30.0f, 30.0f, "C"},
        {103, kAir, AlarmKind::high, false, 29.9f, 30.0f, "C"},
        {103, kHumidity, AlarmKind::low, true, 15.0f, 20.0f, "%RH"},
        {104, kHumidity, AlarmKind::low, false, 50.0f, 20.0f, "%RH"},
        {104, kSurface, AlarmKind::condensationRisk, true, 1.7f, 3.0f, "K"},
        {105, kSurface, AlarmKind::condensationRisk, false, NAN, 3.0f, "K"},
    };
    ASSERT_EQ(log.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const AlarmEvent& e = log.newest(std::size(expected) - 1 - i);
        EXPECT_EQ(e.time, expected[i].time) << i;
        EXPECT_EQ(e.channel, expected[i].channel) << i;
        EXPECT_EQ(e.kind, expected[i].kind) << i;
        EXPECT_EQ(e.rise, expected[i].rise) << i;
        EXPECT_STREQ(e.unit, expected[i].unit) << i;
        EXPECT_EQ(e.limit, expected[i].limit) << i;
        if (std::isnan(expected[i].value)) {
            EXPECT_TRUE(std::isnan(e.value)) << i;
        } else {
            EXPECT_NEAR(e.value, expected[i].value, 0.05) << i;
        }
    }
    EXPECT_TRUE(log.fileError().empty()) << log.fileError();
}

TEST_F(AlarmEvents, TheWatchdogClearsWhatIsOnAsLinkLost) {
    receive(31.0f, 50.0f, 40.0f, 100);
    state.frame.m_awaitingData[state.frame.m_comPort] = true;  // nothing arrived since
    ASSERT_TRUE(watchdogTick(state));
    watch.alarmsCleared(103);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_FALSE(log.newest(0).rise);
    EXPECT_TRUE(log.newest(0).linkLost);
    EXPECT_EQ(alarmEventText(log.newest(0)), "clear (link lost)");
    EXPECT_EQ(alarmValueText(log.newest(0).value, log.newest(0)), "----");
    receive(31.0f, 50.0f, 40.0f, 110);
    EXPECT_EQ(log.size(), 3u) << "back on the link, the alarm rises again";
}

TEST_F(AlarmEvents, FileGetsOneLinePerEventAndCsvListsThemOldestFirst) {
    receive(31.0f, 50.0f, 40.0f, 100);
    receive(25.0f, 50.0f, 40.0f, 160);
    std::ifstream in(log.file());
    std::string first, second, third;
    std::getline(in, first);
    std::getline(in, second);
    EXPECT_FALSE(std::getline(in, third));
    EXPECT_NE(first.find("AIR  high alarm  rise  value 31.0 C  limit 30.0 C"), std::string::npos)
        << first;
    EXPECT_EQ(first.substr(0, 19), alarmTimeText(100).substr(0, 19));
    EXPECT_EQ(first[10], 'T');
    EXPECT_NE(second.find("clear"), std::string::npos);
    const std::string csv = alarmEventsCsv(log);
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")), "time,channel,kind,event,value,limit,unit");
    EXPECT_LT(csv.find(",rise,31.0,30.0,C\r\n"), csv.find(",clear,25.0,30.0,C\r\n"));
}

TEST(AlarmLog, KeepsTheLastTenThousandAndRotatesTheFileAtOneMegabyte) {
    test::TempDir dir;
    AlarmLog log(dir.file("alarm-events.log"));
    AlarmEvent e;
    std::strcpy(e.unit, "C");
    const std::size_t lineBytes = alarmEventLine(e).size() + 1;
    const std::size_t total = AlarmLog::kRotateBytes / lineBytes + 10;
    ASSERT_GT(total, AlarmLog::kCapacity);
    for (std::size_t i = 0; i < total; ++i) {
        e.time = static_cast<std::int64_t>(i);
        log.add(e);
    }
    EXPECT_EQ(log.size(), AlarmLog::kCapacity);
    EXPECT_EQ(log.newest(0).time, static_cast<std::int64_t>(total - 1));
    EXPECT_EQ(log.newest(AlarmLog::kCapacity - 1).time,
              static_cast<std::int64_t>(total - AlarmLog::kCapacity));
    const auto older = dir.file("alarm-events.log.1");
    ASSERT_TRUE(std::filesystem::exists(older));
    EXPECT_LE(std::filesystem::file_size(older), AlarmLog::kRotateBytes);
    EXPECT_EQ(std::filesystem::file_size(log.file()) + std::filesystem::file_size(older),
              total * lineBytes);
}

}  // namespace
}  // namespace kr5061

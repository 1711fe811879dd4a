#include <gtest/gtest.h>

#include <set>

#include "common/channels.h"
#include "sim/instrument_model.h"
#include "sim/model_harness.h"

namespace kr5061 {
namespace {

using test::Live;
using test::ModelHarness;

int framesBetween(ModelHarness& h, std::int64_t endMs) {
    int frames = 0;
    for (; h.now <= endMs; h.now += 10) {
        frames += static_cast<int>(h.drain().size());
    }
    return frames;
}

TEST(InstrumentModelFaults, SilenceAfterStopsForGoodUntilLifted) {
    SimOptions o;
    o.silenceAfterSec = 2;
    ModelHarness h(o);
    h.start();
    const std::int64_t started = h.now;
    EXPECT_EQ(framesBetween(h, started + 1990), 4);
    EXPECT_EQ(framesBetween(h, started + 6000), 0);
    h.start();  // the program's watchdog retrying does not revive it
    EXPECT_EQ(framesBetween(h, started + 9000), 0);
    EXPECT_EQ(h.model.counters().startCommands, 2u);
    h.model.setSilent(false);
    EXPECT_EQ(framesBetween(h, h.now + 1000), 3);
}

TEST(InstrumentModelFaults, GarbageGoesBetweenFramesInItsOwnWrite) {
    SimOptions o;
    o.garbageBytes = 7;
    ModelHarness h(o);
    h.start();
    auto writes = h.drain();
    ASSERT_EQ(writes.size(), 1u);  // nothing before the first frame
    EXPECT_TRUE(liveHeaderOk(writes[0].data(), writes[0].size()));
    for (int i = 0; i < 20; ++i) {
        h.now += o.intervalMs;
        writes = h.drain();
        ASSERT_EQ(writes.size(), 2u);
        EXPECT_EQ(writes[0].size(), 7u);
        ASSERT_EQ(writes[1].size(), kLiveFrameSize);
        EXPECT_TRUE(liveHeaderOk(writes[1].data(), writes[1].size()));
    }
    EXPECT_EQ(h.model.counters().framesSent, 21u);
}

TEST(InstrumentModelFaults, SplitFramesArriveInTwoOrThreeWritesThatJoinUp) {
    SimOptions o;
    o.splitFrames = true;
    o.garbageBytes = 3;
    ModelHarness h(o);
    h.start();
    std::set<std::size_t> pieceCounts;
    for (int i = 0; i < 100; ++i, h.now += o.intervalMs) {
        auto writes = h.drain();
        if (i > 0) {
            ASSERT_EQ(writes.front().size(), 3u);  // the garbage stays separate
            writes.erase(writes.begin());
        }
        pieceCounts.insert(writes.size());
        std::vector<std::uint8_t> joined;
        for (const auto& w : writes) {
            ASSERT_FALSE(w.empty());
            joined.insert(joined.end(), w.begin(), w.end());
        }
        ASSERT_EQ(joined.size(), kLiveFrameSize);
        ASSERT_TRUE(liveHeaderOk(joined.data(), joined.size()));
    }
    EXPECT_EQ(pieceCounts, (std::set<std::size_t>{2, 3}));
}

TEST(InstrumentModelFaults, SmallOutputBufferStillGetsEveryByte) {
    ModelHarness h;
    h.start();
    std::uint8_t piece[10];
    std::vector<std::uint8_t> joined;
    while (std::size_t n = h.model.produce(h.now, piece, sizeof piece)) {
        joined.insert(joined.end(), piece, piece + n);
    }
    ASSERT_EQ(joined.size(), kLiveFrameSize);
    EXPECT_TRUE(liveHeaderOk(joined.data(), joined.size()));
    EXPECT_EQ(h.model.counters().framesSent, 1u);
}

struct SurfaceCase {
    SurfaceFault fault;
    Probe probe;
    std::uint8_t marker;
    float reading;
};

TEST(InstrumentModelFaults, SurfaceFaultsCarryMarkerAndOutOfRangeReading) {
    const SurfaceCase cases[] = {
        {SurfaceFault::absent, Probe::infrared, 0, kAbsentFrameReading},
        {SurfaceFault::absent, Probe::thermocouple, 0, kAbsentFrameReading},
        {SurfaceFault::overRange, Probe::infrared, kRangeOver, 612.0f},
        {SurfaceFault::overRange, Probe::thermocouple, kRangeOver, 2612.0f},
        {SurfaceFault::underRange, Probe::infrared, kRangeUnder, -200.0f},
        {SurfaceFault::underRange, Probe::thermocouple, kRangeUnder, -200.0f},
    };
    for (const SurfaceCase& c : cases) {
        for (bool fahrenheit : {false, true}) {
            SCOPED_TRACE(testing::Message() << static_cast<int>(c.fault) << " probe "
                                            << static_cast<int>(c.probe) << " F " << fahrenheit);
            SimOptions o;
            o.surfaceFault = c.fault;
            o.probe = c.probe;
            o.fahrenheit = fahrenheit;
            ModelHarness h(o);
            h.startAndFirst();
            const Live l = h.next();
            EXPECT_EQ(l.marker, c.marker);
            EXPECT_EQ(l.surface, c.reading);
            const bool convert = fahrenheit && c.fault != SurfaceFault::absent;
            EXPECT_FLOAT_EQ(l.d3, convert ? c.reading * 1.8f + 32.0f : c.reading);
            EXPECT_EQ(l.b & kStatusBTypeK, c.probe == Probe::thermocouple ? kStatusBTypeK : 0);
            EXPECT_GE(l.air, 18.0f);  // the other channels carry on normally
        }
    }
}

TEST(InstrumentModelFaults, ProbeSwitchAlternatesAndInfraredSettlesThroughZero) {
    SimOptions o;
    o.probeSwitchSec = 2;
    ModelHarness h(o);
    std::vector<Live> frames = {h.startAndFirst()};
    for (int i = 0; i < 16; ++i) {
        frames.push_back(h.next());
    }
    // Frames every 0.5 s: 0-3 IR, 4-7 TYPE-K, 8-11 IR, 12-15 TYPE-K, 16 IR.
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const bool typeK = (i / 4) % 2 == 1;
        ASSERT_EQ(frames[i].b & kStatusBTypeK, typeK ? kStatusBTypeK : 0) << i;
        const bool settling = i == 8 || i == 16;
        if (settling) {
            EXPECT_EQ(frames[i].surface, 0.0f) << i;
        } else {
            EXPECT_GE(frames[i].surface, 30.0f) << i;
        }
    }
}

TEST(InstrumentModelFaults, ProbeSwitchReleasesSurfaceHold) {
    SimOptions o;
    o.probeSwitchSec = 1;
    ModelHarness h(o);
    h.startAndFirst();
    h.send(buildCommandFrame(kCmdIrt, kIrtArgument));
    EXPECT_EQ(h.next().b & kStatusBSurfaceHold, kStatusBSurfaceHold);
    EXPECT_EQ(h.next().b & (kStatusBSurfaceHold | kStatusBTypeK), kStatusBTypeK);
}

TEST(InstrumentModelFaults, HangUpFallsDueCountedFromTheFirstStart) {
    SimOptions o;
    o.hangupAfterSec = 3;
    ModelHarness h(o);
    h.now = 50000;
    EXPECT_FALSE(h.model.hangUpDue(h.now));  // no program talked to us yet
    h.start();
    h.now += 2999;
    EXPECT_FALSE(h.model.hangUpDue(h.now));
    h.start();  // a later start does not move the deadline
    h.now += 1;
    EXPECT_TRUE(h.model.hangUpDue(h.now));
    EXPECT_FALSE(ModelHarness().model.hangUpDue(1000000));
}

}  // namespace
}  // namespace kr5061

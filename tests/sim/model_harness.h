#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "link/frames.h"
#include "sim/instrument_model.h"

namespace kr5061::test {

// One decoded live frame.
struct Live {
    std::uint8_t marker = 0, a = 0, b = 0;
    float air = 0, wb = 0, dp = 0, rh = 0, surface = 0, d1 = 0, d2 = 0, d3 = 0;
};

inline Live decode(const std::uint8_t* f) {
    Live l;
    l.marker = f[kOffRangeMarker];
    l.a = f[kOffStatusA];
    l.b = f[kOffStatusB];
    l.air = readFloatLE(f + kOffAir);
    l.wb = readFloatLE(f + kOffWetBulb);
    l.dp = readFloatLE(f + kOffDewPoint);
    l.rh = readFloatLE(f + kOffHumidity);
    l.surface = readFloatLE(f + kOffSurface);
    l.d1 = readFloatLE(f + kOffDisplay1);
    l.d2 = readFloatLE(f + kOffDisplay2);
    l.d3 = readFloatLE(f + kOffDisplay3);
    return l;
}

// Drives a model through simulated time and keeps every write it produced.
struct ModelHarness {
    explicit ModelHarness(const SimOptions& o = {}) : model(o), interval(o.intervalMs) {}

    void send(const CommandFrame& f) { model.receive(f.data(), f.size(), now); }
    void key(std::uint8_t code) { send(keyFrame(code)); }
    void start() { send(startCommandFrame()); }

    // All writes due at the current time.
    std::vector<std::vector<std::uint8_t>> drain() {
        std::vector<std::vector<std::uint8_t>> writes;
        std::uint8_t buf[2048];
        while (std::size_t n = model.produce(now, buf, sizeof buf)) {
            writes.emplace_back(buf, buf + n);
        }
        return writes;
    }

    // Advances to the next frame time and returns that frame (which must be a
    // plain, single-write frame).
    Live next() {
        now += interval;
        const auto writes = drain();
        EXPECT_EQ(writes.size(), 1u) << "at " << now << " ms";
        if (writes.size() != 1 || writes[0].size() != kLiveFrameSize) {
            ADD_FAILURE() << "no single frame at " << now << " ms";
            return {};
        }
        EXPECT_TRUE(liveHeaderOk(writes[0].data(), writes[0].size()));
        return decode(writes[0].data());
    }

    // Starts streaming and returns the immediate first frame.
    Live startAndFirst() {
        start();
        const auto writes = drain();
        EXPECT_EQ(writes.size(), 1u);
        return writes.empty() ? Live{} : decode(writes[0].data());
    }

    InstrumentModel model;
    std::int64_t now = 1000;
    int interval;
};

}  // namespace kr5061::test

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "common/run_state.h"
#include "publish/outbox.h"
#include "store/hyg_doc.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

// A run of the live store as the sample clock commits it.
struct LiveRun {
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    ViewState view;
    explicit LiveRun(std::int64_t start) {
        view.m_startTime = start;
        view.m_samplePeriodMs = 2000;
        view.m_sampleLimit = 10000;
        view.m_unitText = "C";
    }
    // Commits `n` more samples into `box`; sample i holds the value start + i.
    void commit(Outbox& box, int n) {
        for (int k = 0; k < n; ++k) {
            const int i = view.m_sampleIndex;
            for (int c = 0; c < kChannelCount; ++c) {
                doc->m_live[c][i] = static_cast<float>(view.m_startTime % 1000 + i);
            }
            ++view.m_sampleIndex;
            ASSERT_TRUE(box.follow(*doc, view)) << box.error();
        }
    }
};

struct Taken {
    SampleFacts sample;
    OutboxPosition position;
};

std::vector<Taken> takeAll(Outbox& box) {
    std::vector<Taken> out;
    Taken t;
    while (box.take(t.sample, t.position)) {
        out.push_back(t);
    }
    return out;
}

class OutboxTest : public ::testing::Test {
protected:
    bool open(Outbox& box, std::uint64_t capacity = kDefaultOutboxCapacity) {
        std::string error;
        const bool ok = box.open(dir.path() / "outbox" / "lab", capacity, &error);
        EXPECT_TRUE(ok) << error;
        return ok;
    }
    test::TempDir dir;
};

TEST_F(OutboxTest, AcknowledgedSamplesLeaveAndTheRestComeBackInOrderAfterARestart) {
    {
        Outbox box;
        ASSERT_TRUE(open(box));
        LiveRun first(1765000100), second(1765000900);
        first.commit(box, 3);
        second.commit(box, 2);
        const std::vector<Taken> taken = takeAll(box);
        ASSERT_EQ(taken.size(), 5u);
        EXPECT_EQ(taken[3].sample.index, 0u);
        EXPECT_NE(taken[3].sample.run, taken[0].sample.run);
        EXPECT_EQ(taken[4].sample.values[kAir], 901.0f);
        EXPECT_EQ(taken[1].sample.startTime, 1765000100);
        EXPECT_EQ(taken[1].sample.periodSeconds, 2);
        // Acknowledged out of order: only the unbroken start counts as done.
        box.acknowledged(taken[1].position);
        box.acknowledged(taken[0].position);
        box.acknowledged(taken[3].position);
        EXPECT_EQ(box.waiting(), 3u);
        ASSERT_TRUE(box.syncIfDue(5000));
    }  // a crash loses nothing more than the process
    Outbox box;
    ASSERT_TRUE(open(box));
    EXPECT_EQ(box.waiting(), 3u);
    const std::vector<Taken> again = takeAll(box);
    ASSERT_EQ(again.size(), 3u);
    EXPECT_EQ(again[0].sample.index, 2u);
    EXPECT_EQ(again[0].sample.values[kHumidity], 102.0f);
    EXPECT_EQ(again[1].sample.index, 0u);
    EXPECT_EQ(again[2].sample.index, 1u);
}

TEST_F(OutboxTest, RewindHandsOutWhatWasNotAcknowledged) {
    Outbox box;
    ASSERT_TRUE(open(box));
    LiveRun run(1765000100);
    run.commit(box, Outbox::kWindow + 6);
    std::vector<Taken> taken = takeAll(box);
    EXPECT_EQ(taken.size(), static_cast<std::size_t>(Outbox::kWindow)) << "at most a window waits";
    box.acknowledged(taken[0].position);
    box.rewind();
    taken = takeAll(box);
    ASSERT_FALSE(taken.empty());
    EXPECT_EQ(taken[0].sample.index, 1u);
}

TEST_F(OutboxTest, FullOutboxDropsTheOldestAndCountsThem) {
    Outbox box;
    ASSERT_TRUE(open(box, 10));
    LiveRun first(1765000100), second(1765000900);
    first.commit(box, 8);
    second.commit(box, 6);
    EXPECT_EQ(box.waiting(), 10u);
    EXPECT_EQ(box.dropped(), 4u);
    EXPECT_EQ(box.droppedSinceLastAsked(), 4u);
    EXPECT_EQ(box.droppedSinceLastAsked(), 0u);
    const std::vector<Taken> taken = takeAll(box);
    ASSERT_EQ(taken.size(), 10u);
    EXPECT_EQ(taken[0].sample.index, 4u);
    EXPECT_EQ(taken[0].sample.values[kAir], 104.0f);
}

TEST_F(OutboxTest, OneProcessAtATime) {
    Outbox box;
    ASSERT_TRUE(open(box));
    Outbox other;
    std::string error;
    EXPECT_FALSE(other.open(dir.path() / "outbox" / "lab", kDefaultOutboxCapacity, &error));
    EXPECT_NE(error.find("in use"), std::string::npos) << error;
}

}  // namespace
}  // namespace kr5061

#include "sim/command_receiver.h"

#include <gtest/gtest.h>

#include <vector>

namespace kr5061 {
namespace {

struct Tally {
    int polls = 0, rejected = 0;
    std::vector<CommandFrame> frames;
};

Tally feed(CommandReceiver& r, const std::vector<std::uint8_t>& bytes) {
    Tally t;
    for (std::uint8_t b : bytes) {
        const CommandReceiver::Result res = r.push(b);
        t.polls += res.polls;
        t.rejected += res.frameRejected ? 1 : 0;
        if (res.frameReady) {
            t.frames.push_back(r.frame());
        }
    }
    return t;
}

std::vector<std::uint8_t> bytesOf(const CommandFrame& f) {
    return {f.begin(), f.end()};
}

TEST(SimCommandReceiver, FindsFrameBehindNoiseAndBrokenPrefixes) {
    CommandReceiver r;
    std::vector<std::uint8_t> stream = {0x00, 0xFF, 0xAA, 0x13, 0xFF, 0xFF, 0xAA, 0x55};
    // The prefix above breaks off; the real frame starts again right after it.
    for (std::uint8_t b : startCommandFrame()) {
        stream.push_back(b);
    }
    const Tally t = feed(r, stream);
    ASSERT_EQ(t.frames.size(), 1u);
    EXPECT_EQ(t.frames[0], startCommandFrame());
}

TEST(SimCommandReceiver, FrameHiddenInsideRejectedCandidateIsFound) {
    // FF AA 55 + the first bytes of a real frame make an 11-byte candidate with a
    // wrong trailer; the real frame inside it must survive the resync.
    CommandReceiver r;
    std::vector<std::uint8_t> stream = {0xFF, 0xAA, 0x55};
    for (std::uint8_t b : keyFrame(0x1E)) {
        stream.push_back(b);
    }
    const Tally t = feed(r, stream);
    ASSERT_EQ(t.frames.size(), 1u);
    EXPECT_EQ(t.frames[0], keyFrame(0x1E));
    EXPECT_EQ(t.rejected, 1);
}

TEST(SimCommandReceiver, BadChecksumOrTrailerIsIgnored) {
    CommandReceiver r;
    CommandFrame badSum = keyFrame(0x28);
    badSum[8] ^= 0x01;
    CommandFrame badTrailer = keyFrame(0x28);
    badTrailer[10] = 0xFE;
    EXPECT_TRUE(feed(r, bytesOf(badSum)).frames.empty());
    EXPECT_TRUE(feed(r, bytesOf(badTrailer)).frames.empty());
    EXPECT_EQ(feed(r, bytesOf(keyFrame(0x28))).frames.size(), 1u);
}

TEST(SimCommandReceiver, PollCountsOnlyOutsideFrames) {
    CommandReceiver r;
    // Key 0xA6 has checksum 0x0111: its low byte is 0x11 but it is no poll.
    const CommandFrame withPollByte = keyFrame(0xA6);
    ASSERT_EQ(withPollByte[8], kPollByte);
    Tally t = feed(r, bytesOf(withPollByte));
    EXPECT_EQ(t.polls, 0);
    EXPECT_EQ(t.frames.size(), 1u);

    EXPECT_EQ(feed(r, {0x11, 0x11}).polls, 2);
    // A poll that cuts a frame prefix short still counts.
    EXPECT_EQ(feed(r, {0xFF, 0xAA, 0x11}).polls, 1);
}

}  // namespace
}  // namespace kr5061

#include <gtest/gtest.h>

#include <vector>

#include "link/frame_reader.h"
#include "support/live_frames.h"

namespace kr5061 {
namespace {

using test::FrameFields;
using test::makeFrame;

// Feeds the chunks in order and returns the AIR value of each frame handed out.
std::vector<float> airValues(FrameReader& reader, const std::vector<std::vector<std::uint8_t>>& chunks) {
    std::vector<float> out;
    LiveFrame f;
    for (const auto& chunk : chunks) {
        std::size_t done = 0;
        do {
            done += reader.feed(chunk.data() + done, chunk.size() - done);
            while (reader.nextFrame(f)) {
                out.push_back(readFloatLE(&f[kOffAir]));
            }
        } while (done < chunk.size());
    }
    return out;
}

std::vector<std::uint8_t> framed(float air) {
    FrameFields s;
    s.air = air;
    const LiveFrame f = makeFrame(s);
    return {f.begin(), f.end()};
}

TEST(FrameReader, FrameSplitAtEveryBytePositionArrivesOnce) {
    const auto whole = framed(21.0f);
    for (std::size_t cut = 1; cut < whole.size(); ++cut) {
        FrameReader reader;
        const std::vector<std::uint8_t> a(whole.begin(), whole.begin() + cut);
        const std::vector<std::uint8_t> b(whole.begin() + cut, whole.end());
        EXPECT_EQ(airValues(reader, {a, b}), std::vector<float>{21.0f}) << "cut at " << cut;
        EXPECT_EQ(reader.buffered(), 0u);
    }
}

TEST(FrameReader, SeveralFramesInOneChunkComeOutInOrder) {
    std::vector<std::uint8_t> chunk;
    for (float v : {1.0f, 2.0f, 3.0f}) {
        const auto f = framed(v);
        chunk.insert(chunk.end(), f.begin(), f.end());
    }
    FrameReader reader;
    EXPECT_EQ(airValues(reader, {chunk}), (std::vector<float>{1.0f, 2.0f, 3.0f}));
}

TEST(FrameReader, GarbageAndFalseHeadersAreSkipped) {
    std::vector<std::uint8_t> chunk = {0x00, 0xAA, 0x61, 0x13, 0xAA, 0xAA, 0x61, 0x64};
    const auto f1 = framed(5.0f);
    chunk.insert(chunk.end(), f1.begin(), f1.end());
    // A frame whose trailer is wrong is refused; the next good one still counts.
    auto bad = framed(6.0f);
    bad[kLiveTrailerOffset] = 0x00;
    chunk.insert(chunk.end(), bad.begin(), bad.end());
    const auto f2 = framed(7.0f);
    chunk.insert(chunk.end(), f2.begin(), f2.end());
    FrameReader reader;
    EXPECT_EQ(airValues(reader, {chunk}), (std::vector<float>{5.0f, 7.0f}));
    EXPECT_GT(reader.discardedBytes(), 0u);
}

TEST(FrameReader, ShortBufferIsNeverAccepted) {
    auto f = framed(1.0f);
    f.resize(45);
    FrameReader reader;
    EXPECT_TRUE(airValues(reader, {f}).empty());
    EXPECT_EQ(reader.buffered(), 45u);  // kept: the last byte may still come
}

TEST(FrameReader, LargeChunkBeyondCapacityLosesNoFrame) {
    std::vector<std::uint8_t> chunk;
    std::vector<float> expected;
    for (int i = 0; i < 100; ++i) {  // 4600 bytes, several times the capacity
        const auto f = framed(static_cast<float>(i));
        chunk.insert(chunk.end(), f.begin(), f.end());
        chunk.push_back(0x55);
        expected.push_back(static_cast<float>(i));
    }
    FrameReader reader;
    EXPECT_EQ(airValues(reader, {chunk}), expected);
}

}  // namespace
}  // namespace kr5061

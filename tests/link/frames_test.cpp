#include <gtest/gtest.h>

#include "link/frames.h"

namespace kr5061 {
namespace {

using Bytes = std::vector<int>;

Bytes bytesOf(const CommandFrame& f) { return Bytes(f.begin(), f.end()); }

TEST(CommandFrames, StartCommandIsExact) {
    EXPECT_EQ(bytesOf(startCommandFrame()),
              (Bytes{0xFF, 0xAA, 0x55, 0x63, 0x63, 0x00, 0x00, 0x00, 0xC6, 0x00, 0xFF}));
}

TEST(CommandFrames, KeyFramesCarryCodeAndLittleEndianSum) {
    EXPECT_EQ(bytesOf(keyFrame(0x1E)),
              (Bytes{0xFF, 0xAA, 0x55, 0x6B, 0x1E, 0x00, 0x00, 0x00, 0x89, 0x00, 0xFF}));
    EXPECT_EQ(bytesOf(keyFrame(0x4D)),
              (Bytes{0xFF, 0xAA, 0x55, 0x6B, 0x4D, 0x00, 0x00, 0x00, 0xB8, 0x00, 0xFF}));
    // The AREA key repeats its code in byte 5.
    EXPECT_EQ(bytesOf(keyFrame(0x46)),
              (Bytes{0xFF, 0xAA, 0x55, 0x6B, 0x46, 0x46, 0x00, 0x00, 0xF7, 0x00, 0xFF}));
    EXPECT_EQ(bytesOf(buildCommandFrame(kCmdIrt, 0x0A)),
              (Bytes{0xFF, 0xAA, 0x55, 0x69, 0x0A, 0x00, 0x00, 0x00, 0x73, 0x00, 0xFF}));
}

TEST(CommandFrames, ChecksumCarriesIntoHighByte) {
    const CommandFrame f = buildCommandFrame(0xFF, 0xFF, 0xFF);
    EXPECT_EQ(f[8], 0xFD);  // 3 x 0xFF = 0x2FD
    EXPECT_EQ(f[9], 0x02);
}

TEST(LiveHeader, NeedsHeaderTrailerAndLength) {
    std::uint8_t buf[46] = {0xAA, 0x61, 0x64, 0x6A, 0x67};
    buf[44] = 0x67;
    EXPECT_TRUE(liveHeaderOk(buf, 46));
    EXPECT_TRUE(liveHeaderOk(buf, 45));
    EXPECT_FALSE(liveHeaderOk(buf, 44));  // too short to hold the trailer
    buf[44] = 0x66;
    EXPECT_FALSE(liveHeaderOk(buf, 46));
    buf[44] = 0x67;
    buf[3] = 0x00;
    EXPECT_FALSE(liveHeaderOk(buf, 46));
}

TEST(LiveFloats, RoundTripLittleEndian) {
    std::uint8_t b[4];
    writeFloatLE(b, -1000.0f);
    EXPECT_EQ(b[0], 0x00);
    EXPECT_EQ(b[1], 0x00);
    EXPECT_EQ(b[2], 0x7A);
    EXPECT_EQ(b[3], 0xC4);
    EXPECT_EQ(readFloatLE(b), -1000.0f);
}

}  // namespace
}  // namespace kr5061

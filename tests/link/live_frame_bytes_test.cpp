#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "link/receive_step.h"

namespace kr5061 {
namespace {

// One live frame as the instrument sends it, written out byte by byte rather
// than built from the decoder's own offsets, so a swapped offset shows here.
// Readings: AIR 23.5, WB 18.25, DP 12.0, RH 55.5, K/IR 101.5; display values
// 73.0, 45.0 and 99.75. Status A: WB mode, supply normal; B: thermocouple.
constexpr std::uint8_t kFrame[46] = {
    0xAA, 0x61, 0x64, 0x6A, 0x67,  // 0-4 header "a d j g"
    0x00,                          // 5 not examined
    0x00,                          // 6 range marker: in range
    0x44,                          // 7 status A
    0x10,                          // 8 status B
    0x00, 0x00, 0xBC, 0x41,        // 9 AIR 23.5
    0x00, 0x00, 0x92, 0x41,        // 13 WB 18.25
    0x00, 0x00, 0x40, 0x41,        // 17 DP 12.0
    0x00, 0x00, 0x5E, 0x42,        // 21 RH 55.5
    0x00, 0x00, 0xCB, 0x42,        // 25 K/IR 101.5
    0x00, 0x00, 0x92, 0x42,        // 29 display value 1: 73.0
    0x00, 0x00, 0x34, 0x42,        // 33 display value 2: 45.0
    0x00, 0x80, 0xC7, 0x42,        // 37 display value 3: 99.75
    0x00, 0x00, 0x00,              // 41-43 not examined
    0x67,                          // 44 trailer 'g'
    0x00,                          // 45 not examined
};

TEST(LiveFrameBytes, EveryFieldIsReadFromItsOwnOffset) {
    LiveState state;
    auto doc = std::make_unique<CHygDoc>();
    FrameReader reader;
    const ReceiveOutcome outcome = onReceive(state, *doc, reader, kFrame, sizeof kFrame, 1000);
    ASSERT_EQ(outcome.framesAccepted, 1);

    const float expected[kChannelCount] = {23.5f, 18.25f, 12.0f, 101.5f, 55.5f};
    for (int ch = 0; ch < kChannelCount; ++ch) {
        EXPECT_EQ(doc->m_live[ch][0], expected[ch]) << "channel " << ch;
    }
    EXPECT_EQ(state.meter.m_lcdValue1, "73.0");
    EXPECT_EQ(state.meter.m_lcdValue2, "45.0");
    EXPECT_EQ(state.meter.m_lcdValue3, "99.7") << "cut toward zero, not rounded";
    EXPECT_EQ(state.meter.m_annWbDp, "WB");
    EXPECT_EQ(state.meter.m_annProbe, "     TYPE-K");
    EXPECT_EQ(state.meter.m_lcdUnit, "C");
}

}  // namespace
}  // namespace kr5061

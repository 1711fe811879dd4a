#include <gtest/gtest.h>

#include <set>
#include <string>

#include "panels/readout_layout.h"

namespace kr5061 {
namespace {

TEST(ReadoutLayout, RowsAreFourteenUnitsApartWithStaticsTwoUnitsLower) {
    EXPECT_EQ(readoutControl(kAir, ReadoutRole::MaxField).rect, rectAt(88, 0, 92, 26));
    EXPECT_EQ(readoutControl(kHumidity, ReadoutRole::MinField).rect, rectAt(216, 112, 92, 26));
    EXPECT_EQ(readoutControl(kWetBulb, ReadoutRole::ChannelLabel).rect.left, 2);
    EXPECT_EQ(readoutControl(kWetBulb, ReadoutRole::ChannelLabel).rect.top, 32);
    EXPECT_EQ(readoutControl(kDewPoint, ReadoutRole::AlarmLowCaption).rect.left, 404);
    EXPECT_EQ(readoutControl(kDewPoint, ReadoutRole::AlarmLowCaption).rect.width(), 70);
    EXPECT_EQ(readoutControl(kSurface, ReadoutRole::LowLimitCaption).rect.top, 88);
}

TEST(ReadoutLayout, SpinsTakeTheRightEndOfTheirLimitFields) {
    const ReadoutControl& hi = readoutControl(kAir, ReadoutRole::HiField);
    const ReadoutControl& hiSpin = readoutControl(kAir, ReadoutRole::HiSpin);
    EXPECT_EQ(hi.rect, rectAt(566, 0, 48, 26));
    EXPECT_EQ(hiSpin.rect, rectAt(614, 0, 18, 26));
    EXPECT_EQ(readoutControl(kSurface, ReadoutRole::LowField).rect, rectAt(704, 84, 60, 26));
    EXPECT_EQ(readoutControl(kSurface, ReadoutRole::LowSpin).rect, rectAt(764, 84, 18, 26));
    // The high spin stays clear of the "Low Limit" caption.
    EXPECT_LE(hiSpin.rect.right, readoutControl(kAir, ReadoutRole::LowLimitCaption).rect.left);
}

TEST(ReadoutLayout, CarriesEveryIdOnceAndTheExactTexts) {
    std::set<int> ids;
    for (const ReadoutControl& c : readoutControls()) {
        EXPECT_TRUE(ids.insert(c.id).second) << c.id;
        EXPECT_LE(c.rect.right, kReadoutBarWidth);
        EXPECT_LE(c.rect.bottom, kReadoutBarHeight);
    }
    EXPECT_EQ(ids.size(), 65u);
    EXPECT_EQ(readoutControl(kAir, ReadoutRole::ChannelLabel).id, 1031);
    EXPECT_EQ(readoutControl(kSurface, ReadoutRole::MaxCaption).id, 1064);
    EXPECT_EQ(readoutControl(kHumidity, ReadoutRole::HiField).id, 1091);
    EXPECT_EQ(readoutControl(kHumidity, ReadoutRole::LowSpin).id, 1127);

    const char* labels[] = {"AIR : ", "WB :   ", "DP  :", "K/IR:   ", "RH :"};
    for (int ch = 0; ch < kChannelCount; ++ch) {
        EXPECT_EQ(std::string(readoutControl(ch, ReadoutRole::ChannelLabel).text), labels[ch]);
    }
    EXPECT_EQ(std::string(readoutControl(kAir, ReadoutRole::AlarmLowCaption).text), "Alarm Low");
    EXPECT_EQ(std::string(readoutControl(kAir, ReadoutRole::HiLimitCaption).text), "Hi Limit");
}

}  // namespace
}  // namespace kr5061

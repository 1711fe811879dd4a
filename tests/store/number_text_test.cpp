#include <gtest/gtest.h>

#include "store/number_text.h"

namespace kr5061 {
namespace {

TEST(TenthsRule, CutTowardZeroOnTheDecimalTheFloatStandsFor) {
    EXPECT_FLOAT_EQ(cutToTenth(12.39f), 12.3f);
    EXPECT_FLOAT_EQ(cutToTenth(23.47f), 23.4f);
    EXPECT_FLOAT_EQ(cutToTenth(-23.47f), -23.4f);
    EXPECT_FLOAT_EQ(cutToTenth(0.7f), 0.7f);  // 0.69999998 as a float
    EXPECT_FLOAT_EQ(cutToTenth(49.1f), 49.1f);
    EXPECT_FLOAT_EQ(cutToTenth(-0.7f), -0.7f);
    EXPECT_FLOAT_EQ(cutToTenth(0.69f), 0.6f);
}

TEST(TenthsRule, RoundHalfAwayFromZero) {
    EXPECT_FLOAT_EQ(roundToTenth(12.35f), 12.4f);
    EXPECT_FLOAT_EQ(roundToTenth(-12.35f), -12.4f);
    EXPECT_FLOAT_EQ(roundToTenth(12.34f), 12.3f);
    EXPECT_FLOAT_EQ(roundToTenth(1.15f), 1.2f);
    EXPECT_FLOAT_EQ(roundToTenth(0.04f), 0.0f);
}

TEST(FixedText, FollowsCFormatting) {
    EXPECT_EQ(formatFixed(23.45, 1), "23.4");  // binary 23.449999...
    EXPECT_EQ(formatFixed(-0.04, 1), "-0.0");
    EXPECT_EQ(formatFixed(2501.0, 1), "2501.0");
    EXPECT_EQ(formatInt(-12), "-12");
}

}  // namespace
}  // namespace kr5061

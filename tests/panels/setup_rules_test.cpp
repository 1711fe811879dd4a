#include <gtest/gtest.h>

#include "panels/setup_rules.h"

namespace kr5061 {
namespace {

TEST(SampleDataSteps, MoveInThousandsAndStayInRange) {
    EXPECT_EQ(stepSampleData(10000, 1), 10000);
    EXPECT_EQ(stepSampleData(1000, -1), 1000);
    EXPECT_EQ(stepSampleData(1500, 1), 2500);
    EXPECT_EQ(stepSampleData(2500, -1), 1500);
    EXPECT_EQ(stepSampleData(3000, 5), 8000);
    EXPECT_EQ(stepSampleData(50, 0), 1000) << "an out-of-range start is pulled in";
}

TEST(SamplePeriodSteps, StayWithinOneToThreeThousandSixHundred) {
    EXPECT_EQ(stepSamplePeriod(1, -1), 1);
    EXPECT_EQ(stepSamplePeriod(3600, 1), 3600);
    EXPECT_EQ(stepSamplePeriod(59, 1), 60);
}

TEST(AxisChoices, IndicesTranslateAndNoChoiceKeepsTheValue) {
    EXPECT_EQ(gainFromIndex(0, 10), 1);
    EXPECT_EQ(gainFromIndex(4, 10), 20);
    EXPECT_EQ(gainFromIndex(8, 10), 500);
    EXPECT_EQ(gainFromIndex(-1, 50), 50);
    EXPECT_EQ(gainFromIndex(9, 50), 50);
    EXPECT_EQ(offsetFromIndex(0, 5), 0);
    EXPECT_EQ(offsetFromIndex(3, 0), -2);
    EXPECT_EQ(offsetFromIndex(4, 0), -5);
    EXPECT_EQ(offsetFromIndex(-1, 2), 2);
}

TEST(DialogIntegers, WholeNumbersOnly) {
    EXPECT_EQ(parseDialogInt("0"), 0);
    EXPECT_EQ(parseDialogInt(" -12 "), -12);
    EXPECT_EQ(parseDialogInt("+7"), 7);
    EXPECT_FALSE(parseDialogInt(""));
    EXPECT_FALSE(parseDialogInt("abc"));
    EXPECT_FALSE(parseDialogInt("12abc"));
    EXPECT_FALSE(parseDialogInt("1.5"));
    EXPECT_FALSE(parseDialogInt("99999999999"));
    EXPECT_EQ(parseDialogUnsigned("16"), 16u);
    EXPECT_FALSE(parseDialogUnsigned("-5"));
    EXPECT_FALSE(parseDialogUnsigned("x"));
}

}  // namespace
}  // namespace kr5061

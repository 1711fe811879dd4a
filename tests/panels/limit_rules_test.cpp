#include <gtest/gtest.h>

#include "panels/limit_rules.h"

namespace kr5061 {
namespace {

// Limits as a fresh start without a settings file has them.
ReadoutState freshLimits() {
    ReadoutState r;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        r.m_hiText[ch] = limitText(r.m_hiLimit[ch]);
        r.m_loText[ch] = limitText(r.m_loLimit[ch]);
    }
    return r;
}

TEST(LimitSpin, StaysWithinTheSpinBoundsAndRewritesTheText) {
    ReadoutState r = freshLimits();
    spinLimit(r, kAir, LimitSide::High, +1);
    EXPECT_FLOAT_EQ(r.m_hiLimit[kAir], 140.0f) << "140 is the AIR ceiling";
    EXPECT_EQ(r.m_hiText[kAir], "140.0");

    spinLimit(r, kAir, LimitSide::High, -1);
    EXPECT_EQ(r.m_hiText[kAir], "139.0");

    // Spins reach further than typing on AIR and DP.
    r.m_loLimit[kAir] = -19.5f;
    spinLimit(r, kAir, LimitSide::Low, -1);
    EXPECT_EQ(r.m_loText[kAir], "-20.0");
    r.m_loLimit[kDewPoint] = -90.0f;
    spinLimit(r, kDewPoint, LimitSide::Low, -5);
    EXPECT_EQ(r.m_loText[kDewPoint], "-91.0");

    r.m_hiLimit[kSurface] = 2500.5f;
    spinLimit(r, kSurface, LimitSide::High, +1);
    EXPECT_EQ(r.m_hiText[kSurface], "2501.0");
}

TEST(LimitSpin, KeepsHighAtOrAboveLowOnBothSides) {
    ReadoutState r = freshLimits();
    r.m_hiLimit[kAir] = 0.5f;
    spinLimit(r, kAir, LimitSide::High, -1);
    EXPECT_FLOAT_EQ(r.m_hiLimit[kAir], 0.0f) << "stops at the low limit";
    EXPECT_EQ(r.m_hiText[kAir], "0.0");
    spinLimit(r, kAir, LimitSide::High, -1);
    EXPECT_FLOAT_EQ(r.m_hiLimit[kAir], 0.0f);

    r.m_hiLimit[kHumidity] = 30.0f;
    r.m_loLimit[kHumidity] = 29.5f;
    spinLimit(r, kHumidity, LimitSide::Low, +1);
    EXPECT_FLOAT_EQ(r.m_loLimit[kHumidity], 30.0f) << "stops at the high limit";
    EXPECT_FLOAT_EQ(r.m_hiLimit[kHumidity], 30.0f) << "the partner never moves";
}

struct TypedCase {
    int channel;
    LimitSide side;
    const char* typed;
    const char* shown;
};

class LimitTyping : public ::testing::TestWithParam<TypedCase> {};

TEST_P(LimitTyping, ClampsToTheTypingBoundsAndRewritesWithOneDecimal) {
    const TypedCase& c = GetParam();
    ReadoutState r = freshLimits();
    const std::string& shown = typeLimit(r, c.channel, c.side, c.typed);
    EXPECT_EQ(shown, c.shown);
    const float limit = c.side == LimitSide::High ? r.m_hiLimit[c.channel] : r.m_loLimit[c.channel];
    EXPECT_EQ(limitText(limit), c.shown) << "the limit and its text agree";
}

INSTANTIATE_TEST_SUITE_P(Bounds, LimitTyping,
                         ::testing::Values(TypedCase{kWetBulb, LimitSide::High, "600", "500.0"},
                                           TypedCase{kWetBulb, LimitSide::Low, "-75", "-60.0"},
                                           TypedCase{kDewPoint, LimitSide::Low, "-5", "0.0"},
                                           TypedCase{kDewPoint, LimitSide::High, "-0.1", "0.0"},
                                           TypedCase{kDewPoint, LimitSide::High, "6000", "5900.0"},
                                           TypedCase{kAir, LimitSide::Low, "-15", "-10.0"},
                                           TypedCase{kAir, LimitSide::High, "150", "140.0"},
                                           TypedCase{kSurface, LimitSide::Low, "-200", "-148.0"},
                                           TypedCase{kHumidity, LimitSide::High, "101", "100.0"},
                                           // Only the leading number counts; no number reads as 0.
                                           TypedCase{kAir, LimitSide::High, "1--", "1.0"},
                                           TypedCase{kAir, LimitSide::High, "-1.5",
                                                     "0.0"},  // tied to the low limit 0
                                           TypedCase{kSurface, LimitSide::Low, "-1.5", "-1.5"},
                                           TypedCase{kSurface, LimitSide::Low, "-", "0.0"},
                                           TypedCase{kSurface, LimitSide::Low, "", "0.0"},
                                           TypedCase{kAir, LimitSide::High, "2.", "2.0"},
                                           TypedCase{kAir, LimitSide::High, "25.06", "25.1"}));

TEST(LimitTypingRh, NotANumberNeverBecomesALimit) {
    ReadoutState r = freshLimits();
    EXPECT_EQ(typeLimit(r, kHumidity, LimitSide::High, "nan"), "0.0");
    EXPECT_EQ(typeLimit(r, kHumidity, LimitSide::High, "inf"), "100.0");
    EXPECT_EQ(typeLimit(r, kHumidity, LimitSide::High, "1e9"), "100.0");
    EXPECT_FLOAT_EQ(limitValueFromText("nan"), 0.0f);
    EXPECT_FLOAT_EQ(limitValueFromText("-nan"), 0.0f);
}

TEST(LimitTyping, KeepsLowAtOrBelowHigh) {
    ReadoutState r = freshLimits();
    r.m_hiLimit[kWetBulb] = 30.0f;
    EXPECT_EQ(typeLimit(r, kWetBulb, LimitSide::Low, "45"), "30.0");
    EXPECT_EQ(r.m_loText[kWetBulb], "30.0");
    EXPECT_EQ(r.m_hiText[kWetBulb], "140.0") << "only the edited limit's text is rewritten";
}

TEST(NumericChars, OnlyTheCharactersOfADecimalNumberAndBackspacePass) {
    for (char32_t c : U"0123456789-.\b") {
        if (c != 0) {
            EXPECT_TRUE(numericCharAccepted(c)) << static_cast<int>(c);
        }
    }
    for (char32_t c :
         {U'a', U'E', U',', U' ', U'+', U'\r', U'\x1b', U'\x03', U'\x16', U'\x7f', U'\u00e9'}) {
        EXPECT_FALSE(numericCharAccepted(c)) << static_cast<int>(c);
    }
}

}  // namespace
}  // namespace kr5061

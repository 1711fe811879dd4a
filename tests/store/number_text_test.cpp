#include <gtest/gtest.h>

#include <memory>

#include "common/run_state.h"
#include "graph/zoom_cursor.h"
#include "panels/extremes.h"
#include "store/hyg_doc.h"
#include "store/number_text.h"
#include "store/text_export.h"

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

TEST(TenthsRule, KirCutToZeroReadsWithoutSignInEveryText) {
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {{-0.04f, "0.0"}, {-0.09f, "0.0"}, {0.04f, "0.0"},     {-0.0f, "0.0"},
                          {-0.1f, "-0.1"}, {-0.7f, "-0.7"}, {-23.47f, "-23.4"}, {49.1f, "49.1"}};
    for (const Case& c : cases) {
        EXPECT_EQ(formatCutTenth(c.value), c.text) << c.value;
    }

    // The texts that show K/IR: extremes, cursor readout, text table.
    LiveState state;
    state.view.m_unitText = "C";
    auto doc = std::make_unique<CHygDoc>();
    doc->m_live[kSurface][0] = -0.04f;
    ApplyReading(state, *doc);
    EXPECT_EQ(state.readout.m_maxText[kSurface], "0.0C");
    EXPECT_EQ(state.readout.m_minText[kSurface], "0.0C");
    EXPECT_EQ(readoutValueText(kSurface, -0.04f, false), "0.0 C");
    TableInput table;
    table.samples = SampleView::channelMajor(doc->m_live);
    table.count = 1;
    table.unit = "C";
    const std::string text = formatTextTable(table);
    EXPECT_NE(text.find(" 0.0C "), std::string::npos) << text;
    EXPECT_EQ(text.find("-0.0"), std::string::npos) << text;
}

TEST(FixedText, FollowsCFormatting) {
    EXPECT_EQ(formatFixed(23.45, 1), "23.4");  // binary 23.449999...
    EXPECT_EQ(formatFixed(-0.04, 1), "-0.0");
    EXPECT_EQ(formatFixed(2501.0, 1), "2501.0");
    EXPECT_EQ(formatInt(-12), "-12");
}

}  // namespace
}  // namespace kr5061

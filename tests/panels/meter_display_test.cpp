#include <gtest/gtest.h>

#include <string>

#include "panels/meter_display.h"

namespace kr5061 {
namespace {

const MeterText* findText(const MeterDisplay& d, std::string_view text, MeterFont font) {
    for (int i = 0; i < d.textCount; ++i) {
        const MeterText& t = d.texts[static_cast<std::size_t>(i)];
        if (t.text == text && t.font == font) {
            return &t;
        }
    }
    return nullptr;
}

int countText(const MeterDisplay& d, std::string_view text) {
    int n = 0;
    for (int i = 0; i < d.textCount; ++i) {
        n += d.texts[static_cast<std::size_t>(i)].text == text;
    }
    return n;
}

MeterState streamingMeter() {
    MeterState m;
    m.m_lcdValue1 = "23.5";
    m.m_lcdValue2 = "45.2";
    m.m_lcdValue3 = "123.4";
    m.m_lcdUnit = "C";
    m.m_annMaxMin1 = "     MIN";
    m.m_annMaxMin2 = "MAX";
    m.m_annHold1 = "HOLD";
    m.m_annHold2 = "    ";
    m.m_annRec1 = "REC";
    m.m_annRec2 = "     ";
    m.m_annPcLink = "PC-LINK";
    m.m_annWbDp = "DP";
    m.m_annProbe = "IRTEMP";
    return m;
}

TEST(MeterDisplay, FillsTheWindowAndTheStripBelowThePicture) {
    MeterState m;
    const MeterDisplay d = meterDisplayItems(m, false, 228, 700);
    ASSERT_EQ(d.fillCount, 2);
    const MeterFill& window = d.fills[0];
    EXPECT_EQ(window.x, 51);
    EXPECT_EQ(window.y, 196);
    EXPECT_EQ(window.width, 116);
    EXPECT_EQ(window.height, 151);
    EXPECT_EQ(window.colour, (MeterRgb{168, 191, 163}));
    const MeterFill& strip = d.fills[1];
    EXPECT_EQ(strip.x, 0);
    EXPECT_EQ(strip.y, 620);
    EXPECT_EQ(strip.width, 228);
    EXPECT_EQ(strip.height, 80);
    EXPECT_EQ(strip.colour, (MeterRgb{217, 218, 212}));

    m.m_backlight = true;
    EXPECT_EQ(meterDisplayItems(m, false, 228, 700).fills[0].colour, (MeterRgb{175, 238, 238}));
    EXPECT_EQ(meterDisplayItems(m, false, 228, 500).fills[1].height, 0)
        << "a panel shorter than the picture has no strip";
}

TEST(MeterDisplay, OfflineShowsOnlyRedOfflineWhateverTheTexts) {
    const MeterState m = streamingMeter();
    const MeterDisplay d = meterDisplayItems(m, true, 228, 700);
    ASSERT_EQ(d.textCount, 1);
    const MeterText& t = d.texts[0];
    EXPECT_EQ(t.text, "OFFLINE");
    EXPECT_EQ(t.font, MeterFont::offline);
    EXPECT_EQ(t.x, 55);
    EXPECT_EQ(t.y, 229);
    EXPECT_EQ(t.colour, (MeterRgb{255, 0, 0}));
    EXPECT_EQ(d.fillCount, 2) << "the window keeps its fill";
}

TEST(MeterDisplay, ValuesAreRightAlignedByTheirFontsAverageWidth) {
    MeterState m = streamingMeter();
    MeterDisplay d = meterDisplayItems(m, false, 228, 700);
    const MeterText* v1 = findText(d, "23.5", MeterFont::upperDigits);
    ASSERT_NE(v1, nullptr);
    EXPECT_EQ(v1->x, 66);
    EXPECT_EQ(v1->y, 206);
    const MeterText* v3 = findText(d, "123.4", MeterFont::mainDigits);
    ASSERT_NE(v3, nullptr);
    EXPECT_EQ(v3->x, 52);
    EXPECT_EQ(v3->y, 259);

    m.m_lcdValue1 = "-12.5";
    m.m_lcdValue3 = "+OL";
    d = meterDisplayItems(m, false, 228, 700);
    EXPECT_EQ(findText(d, "-12.5", MeterFont::upperDigits)->x, 59);
    EXPECT_EQ(findText(d, "+OL", MeterFont::mainDigits)->x, 84);
}

TEST(MeterDisplay, HumidityMarkFollowsTheLengthOfValueTwo) {
    MeterState m = streamingMeter();
    MeterDisplay d = meterDisplayItems(m, false, 228, 700);
    const MeterText* rh = findText(d, "%RH", MeterFont::annunciator);
    ASSERT_NE(rh, nullptr);
    EXPECT_EQ(rh->x, 115 + 7 * 4);
    EXPECT_EQ(rh->y, 209);
    m.m_lcdValue2 = "100.0";
    d = meterDisplayItems(m, false, 228, 700);
    rh = findText(d, "%RH", MeterFont::annunciator);
    ASSERT_NE(rh, nullptr);
    EXPECT_EQ(rh->x, 150);
}

TEST(MeterDisplay, EveryTextHasItsFontAndPlace) {
    const MeterState m = streamingMeter();
    const MeterDisplay d = meterDisplayItems(m, false, 228, 700);
    struct Expected {
        std::string_view text;
        MeterFont font;
        int x, y;
    };
    const Expected expected[] = {
        {"23.5", MeterFont::upperDigits, 66, 206},   {"45.2", MeterFont::upperDigits, 118, 206},
        {"C", MeterFont::annunciator, 100, 217},     {"DP", MeterFont::annunciator, 100, 234},
        {"%RH", MeterFont::annunciator, 143, 209},   {"O", MeterFont::degree, 96, 217},
        {"IRTEMP", MeterFont::annunciator, 60, 254}, {"PC-LINK", MeterFont::annunciator, 126, 194},
        {"REC", MeterFont::annunciator, 52, 194},    {"     MIN", MeterFont::annunciator, 75, 194},
        {"     ", MeterFont::annunciator, 52, 329},  {"MAX", MeterFont::annunciator, 75, 329},
        {"HOLD", MeterFont::hold, 105, 194},         {"    ", MeterFont::hold, 105, 329},
        {"123.4", MeterFont::mainDigits, 52, 259},   {"C", MeterFont::annunciator, 140, 279},
        {" ", MeterFont::degree, 136, 279},          {"O", MeterFont::degree, 136, 279},
    };
    ASSERT_EQ(d.textCount, static_cast<int>(std::size(expected)));
    for (int i = 0; i < d.textCount; ++i) {
        const MeterText& t = d.texts[static_cast<std::size_t>(i)];
        const Expected& e = expected[i];
        EXPECT_EQ(t.text, e.text) << "item " << i;
        EXPECT_EQ(t.font, e.font) << "item " << i;
        EXPECT_EQ(t.x, e.x) << "item " << i;
        EXPECT_EQ(t.y, e.y) << "item " << i;
        EXPECT_EQ(t.colour, (MeterRgb{0, 0, 0})) << "item " << i;
    }
}

TEST(MeterDisplay, NoUnitMarksBeforeTheFirstFrame) {
    const MeterState blank;
    MeterDisplay d = meterDisplayItems(blank, false, 228, 700);
    EXPECT_EQ(countText(d, "%RH"), 0);
    EXPECT_EQ(countText(d, "O"), 0);
    for (int i = 0; i < d.textCount; ++i) {
        EXPECT_EQ(d.texts[static_cast<std::size_t>(i)].text.find_first_not_of(' '),
                  std::string_view::npos)
            << "only blanks are drawn before the first frame";
    }

    MeterState fahrenheit = streamingMeter();
    fahrenheit.m_lcdUnit = "F";
    d = meterDisplayItems(fahrenheit, false, 228, 700);
    EXPECT_EQ(countText(d, "%RH"), 1);
    EXPECT_EQ(countText(d, "O"), 2);
}

TEST(MeterFonts, MatchTheDisplayTable) {
    const MeterFontDef& upper = meterFontDef(MeterFont::upperDigits);
    EXPECT_STREQ(upper.face, "Arial");
    EXPECT_EQ(upper.height, 44);
    EXPECT_EQ(upper.heightKind, FontHeight::cell);
    EXPECT_EQ(upper.averageWidth, 7);
    EXPECT_EQ(upper.weight, 700);
    EXPECT_EQ(upper.escapementTenths, 1);
    const MeterFontDef& main = meterFontDef(MeterFont::mainDigits);
    EXPECT_EQ(main.height, 75);
    EXPECT_EQ(main.averageWidth, 16);
    const MeterFontDef& offline = meterFontDef(MeterFont::offline);
    EXPECT_EQ(offline.height, 50);
    EXPECT_EQ(offline.averageWidth, 12);
    const MeterFontDef& ann = meterFontDef(MeterFont::annunciator);
    EXPECT_EQ(ann.height, 10);
    EXPECT_EQ(ann.heightKind, FontHeight::character);
    EXPECT_EQ(ann.averageWidth, 4);
    EXPECT_EQ(ann.weight, 100);
    EXPECT_TRUE(ann.swiss);
    EXPECT_EQ(meterFontDef(MeterFont::hold).averageWidth, 3);
    const MeterFontDef& degree = meterFontDef(MeterFont::degree);
    EXPECT_STREQ(degree.face, "black Arial");
    EXPECT_EQ(degree.height, 5);
    EXPECT_EQ(degree.averageWidth, 0);
}

TEST(MeterFonts, WeightedAverageOfAUniformFontIsItsWidth) {
    EXPECT_DOUBLE_EQ(weightedAverageWidth([](char) { return 6.0; }), 6.0);
    // Space alone carries a sixth of the weight.
    EXPECT_DOUBLE_EQ(weightedAverageWidth([](char c) { return c == ' ' ? 1000.0 : 0.0; }), 166.0);
}

}  // namespace
}  // namespace kr5061

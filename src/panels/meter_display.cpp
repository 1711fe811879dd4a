#include "panels/meter_display.h"

#include <algorithm>

namespace kr5061 {

namespace {

constexpr std::array<MeterFontDef, kMeterFontCount> kFonts = {{
    {"Arial", 44, FontHeight::cell, 7, 700, 1, false},
    {"Arial", 75, FontHeight::cell, 16, 700, 0, false},
    {"Arial", 50, FontHeight::cell, 12, 700, 0, false},
    {"Arial", 10, FontHeight::character, 4, 100, 0, true},
    {"Arial", 10, FontHeight::character, 3, 100, 0, true},
    {"black Arial", 5, FontHeight::character, 0, 100, 0, true},
}};

// Right-aligned numbers: the font's average width stands for every character.
int rightAligned(int rightEdge, int charWidth, std::string_view text) {
    return rightEdge - charWidth * static_cast<int>(text.size());
}

class TextList {
public:
    explicit TextList(MeterDisplay& d) : m_d(d) {}
    void add(MeterFont font, int x, int y, std::string_view text,
             MeterRgb colour = kLcdTextColour) {
        m_d.texts[static_cast<std::size_t>(m_d.textCount++)] = MeterText{font, x, y, text, colour};
    }

private:
    MeterDisplay& m_d;
};

}  // namespace

const MeterFontDef& meterFontDef(MeterFont font) {
    return kFonts[static_cast<std::size_t>(font)];
}

double weightedAverageWidth(const std::function<double(char)>& advance) {
    static constexpr int kWeights[26] = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3,  6, 35, 20,
                                         56, 56, 17, 4,  49,  56, 71, 31, 10, 18, 3, 18, 2};
    constexpr int kSpaceWeight = 166;
    double sum = kSpaceWeight * advance(' ');
    for (int i = 0; i < 26; ++i) {
        sum += kWeights[i] * advance(static_cast<char>('a' + i));
    }
    return sum / 1000.0;
}

MeterDisplay meterDisplayItems(const MeterState& m, bool offline, int clientWidth,
                               int clientHeight) {
    MeterDisplay d;
    d.fills[0] = MeterFill{kLcdX, kLcdY, kLcdWidth, kLcdHeight,
                           m.m_backlight ? kBacklitLcdColour : kLcdColour};
    d.fills[1] = MeterFill{0, kMeterStripTop, std::max(0, clientWidth),
                           std::max(0, clientHeight - kMeterStripTop), kMeterStripColour};
    d.fillCount = 2;

    TextList t(d);
    if (offline) {
        t.add(MeterFont::offline, 55, 229, "OFFLINE", kOfflineColour);
        return d;
    }
    // Before the first frame the unit is empty: no degree marks and no "%RH".
    const bool hasUnit = m.m_lcdUnit == "C" || m.m_lcdUnit == "F";
    using F = MeterFont;
    t.add(F::upperDigits, rightAligned(94, 7, m.m_lcdValue1), 206, m.m_lcdValue1);
    t.add(F::upperDigits, 118, 206, m.m_lcdValue2);
    t.add(F::annunciator, 100, 217, m.m_lcdUnit);
    t.add(F::annunciator, 100, 234, m.m_annWbDp);
    if (hasUnit) {
        t.add(F::annunciator, 115 + 7 * static_cast<int>(m.m_lcdValue2.size()), 209, "%RH");
        t.add(F::degree, 96, 217, "O");
    }
    t.add(F::annunciator, 60, 254, m.m_annProbe);
    t.add(F::annunciator, 126, 194, m.m_annPcLink);
    t.add(F::annunciator, 52, 194, m.m_annRec1);
    t.add(F::annunciator, 75, 194, m.m_annMaxMin1);
    t.add(F::annunciator, 52, 329, m.m_annRec2);
    t.add(F::annunciator, 75, 329, m.m_annMaxMin2);
    t.add(F::hold, 105, 194, m.m_annHold1);
    t.add(F::hold, 105, 329, m.m_annHold2);
    t.add(F::mainDigits, rightAligned(132, 16, m.m_lcdValue3), 259, m.m_lcdValue3);
    t.add(F::annunciator, 140, 279, m.m_lcdUnit);
    t.add(F::degree, 136, 279, " ");
    if (hasUnit) {
        t.add(F::degree, 136, 279, "O");
    }
    return d;
}

}  // namespace kr5061

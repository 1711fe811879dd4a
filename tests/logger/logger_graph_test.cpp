#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "graph/graph_scale.h"
#include "logger/logger_graph.h"
#include "logger/logger_scene.h"
#include "logger/logger_zoom.h"
#include "store/hyg_doc.h"
#include "store/number_text.h"

namespace kr5061 {
namespace {

// A logger picture of the given client size with a set in the recall buffer.
class LoggerPicture : public ::testing::Test {
protected:
    void resize(int width, int height) {
        pixels.assign(static_cast<std::size_t>(width) * height, 0);
        buf = PixelBuffer{pixels.data(), width, height, width};
    }
    void fill(int count, float air = 20.0f) {
        doc->m_recallCount = count;
        doc->m_recallPeriod = 2;
        doc->m_recallTag = 1765000000;
        doc->m_recallUnit = "C";
        for (int i = 0; i < count; ++i) {
            for (int ch = 0; ch < kChannelCount; ++ch) {
                doc->m_recall[i][ch] = air;
            }
        }
    }
    void paint(bool storeEmpty = false) {
        buildLoggerScene(*graph, *doc, view, storeEmpty, buf, scene);
    }
    void drag(LoggerPoint from, LoggerPoint to) {
        loggerButtonDown(*graph, from);
        loggerMouseMove(*graph, *doc, false, to, buf, overlay);
        if (loggerButtonUp(*graph, *doc, false, to, buf)) {
            paint();
        }
    }
    void move(LoggerPoint p) { loggerMouseMove(*graph, *doc, false, p, buf, overlay); }
    const LoggerText* textAt(const LoggerScene& s, int x, int y) const {
        for (const LoggerText& t : s.texts) {
            if (t.x == x && t.y == y) return &t;
        }
        return nullptr;
    }
    bool hasText(const LoggerScene& s, const std::string& text) const {
        for (const LoggerText& t : s.texts) {
            if (t.text == text) return true;
        }
        return false;
    }
    Pixel px(int x, int y) const { return buf.at(x, y); }

    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    std::unique_ptr<LoggerGraph> graph = makeLoggerGraph();
    ViewState view;
    LoggerScene scene, overlay;
    std::vector<Pixel> pixels;
    PixelBuffer buf;

    void SetUp() override {
        resize(946, 598);  // the logger window's client size
        view.m_loggerGain = 10;
        view.m_loggerOffset = 0;
    }
};

// ---- Paint -------------------------------------------------------------------

TEST_F(LoggerPicture, ValueLabelsForGainTenOffsetMinusTwoRunFromMinus20ToPlus80) {
    view.m_loggerGain = 10;
    view.m_loggerOffset = -2;
    fill(9);
    paint();
    const float H = graph->plotBottom - graph->plotTop;
    const char* expected[] = {"-20.00", "-10.00", "0.00",  "10.00", "20.00", "30.00",
                              "40.00",  "50.00",  "60.00", "70.00", "80.00"};
    const int digits[] = {2, 2, 4, 3, 3, 3, 3, 3, 3, 3, 3};
    for (int k = 0; k < 11; ++k) {
        const int x = static_cast<int>(graph->plotLeft - 70 + digits[k] * 7.5f);
        const int y = static_cast<int>(graph->plotBottom - H * k * 0.1f - 5);
        const LoggerText* t = textAt(scene, x, y);
        ASSERT_NE(t, nullptr) << k;
        EXPECT_EQ(t->text, expected[k]);
    }
}

TEST_F(LoggerPicture, DigitAllowanceRightAlignsEveryMagnitude) {
    const struct {
        float v;
        int p;
    } cases[] = {{1000, 1}, {999.99f, 2}, {100, 2}, {10, 3}, {0, 4},      {-0.5f, 3},
                 {-10, 2},  {-99, 2},     {-100, 1}, {-999, 1}, {-1000, 0}, {-5000, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(valueLabelDigits(c.v), c.p) << c.v;
    }
}

TEST_F(LoggerPicture, LevelZeroRoundsAndConvertsLikeThePlot) {
    fill(3);
    doc->m_recall[0][kSurface] = 12.39f;
    doc->m_recall[0][kAir] = 12.35f;
    doc->m_recall[1][kAir] = -12.35f;
    paint();
    const float H = graph->plotBottom - graph->plotTop;
    auto yOf = [&](float r) { return graph->plotBottom - (r - 0.0f) * H / 100.0f; };
    EXPECT_FLOAT_EQ(graph->loggerY[0][0][kSurface], yOf(12.3f));
    EXPECT_FLOAT_EQ(graph->loggerY[0][0][kAir], yOf(12.4f));
    EXPECT_FLOAT_EQ(graph->loggerY[0][1][kAir], yOf(-12.4f));
    EXPECT_FLOAT_EQ(graph->xStep, (graph->plotRight - graph->plotLeft) / 2);
    EXPECT_FLOAT_EQ(graph->loggerX[0][2][kHumidity], graph->plotRight);

    doc->m_recallFahrenheit = 1;
    paint();
    EXPECT_FLOAT_EQ(graph->loggerY[0][2][kDewPoint], yOf(68.0f));   // 20 C
    EXPECT_FLOAT_EQ(graph->loggerY[0][2][kHumidity], yOf(20.0f));  // RH never converted
}

TEST_F(LoggerPicture, LevelZeroFollowsThePlotRuleOnEveryKindOfValue) {
    fill(kSampleCapacity);
    for (int fahrenheit = 0; fahrenheit < 2; ++fahrenheit) {
        doc->m_recallFahrenheit = static_cast<std::uint8_t>(fahrenheit);
        for (int i = 0; i < kSampleCapacity; ++i) {
            for (int ch = 0; ch < kChannelCount; ++ch) {
                // Halves, near-halves, negatives, the absent mark and huge values.
                const float v = static_cast<float>(i - 5000) * 0.05f + 0.01f * ch;
                doc->m_recall[i][ch] = i == 7 ? -9000.0f : i == 8 ? 3.0e30f : v;
            }
        }
        paint();
        const float H = graph->plotBottom - graph->plotTop;
        for (int i = 0; i < kSampleCapacity; ++i) {
            for (int ch = 0; ch < kChannelCount; ++ch) {
                const float r = plottedValue(ch, doc->m_recall[i][ch], fahrenheit == 1);
                ASSERT_EQ(graph->loggerY[0][i][ch], graph->plotBottom - r * H / 100.0f)
                    << i << " " << ch;
            }
        }
    }
}

TEST_F(LoggerPicture, FullViewDrawsFrameTracesMasksAndBothTimeLabels) {
    fill(9, 50.0f);
    paint();
    const int left = static_cast<int>(graph->plotLeft), bottom = static_cast<int>(graph->plotBottom);
    const int mid = static_cast<int>(graph->plotTop + (graph->plotBottom - graph->plotTop) / 2);
    EXPECT_EQ(px(left, 200), kLoggerEdge);
    EXPECT_EQ(px(left - 2, mid), kLoggerBackground);  // ticks lie under the left mask
    EXPECT_EQ(px(left + 5, mid), kLoggerTrace[kHumidity]);  // last channel drawn wins
    EXPECT_EQ(px(left + 5, mid + 20), rgb(0, 0, 0));
    EXPECT_EQ(px(left + 5, bottom + 3), kLoggerBackground);
    ASSERT_NE(textAt(scene, left, bottom + 8), nullptr);
    EXPECT_EQ(textAt(scene, left, bottom + 8)->text, localTimeText(1765000000, kClockPattern));
    const LoggerText* end = textAt(scene, static_cast<int>(graph->plotRight - 55), bottom + 8);
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(end->text, localTimeText(1765000000 + 16, kClockPattern));
}

TEST_F(LoggerPicture, EverythingAroundThePlotIsBackgroundInBothViews) {
    fill(200, 500.0f);  // traces far above the axis, into the masked band
    for (bool zoomed : {false, true}) {
        graph->fullView = !zoomed;
        paint();
        const int l = 306, t = 90, r = 946 - 61, b = 598 - 61;
        for (int y = 23; y < 598; ++y) {
            for (int x = 0; x < 946; ++x) {
                const bool plot = x >= l && x < r && y >= t && y <= b;
                if (!plot && y != 59 && y != 60) {
                    ASSERT_EQ(px(x, y), kLoggerBackground) << x << "," << y;
                }
            }
        }
        EXPECT_EQ(px(l + 1, b), kLoggerGrid);
        EXPECT_EQ(px(l, b - 1), zoomed ? kLoggerZoomGrid : kLoggerEdge);  // first record line on top
    }
}

TEST_F(LoggerPicture, HiddenChannelsLeaveNoTraceOrLegendButKeepCoordinates) {
    fill(9, 50.0f);
    doc->m_recall[4][kAir] = 30.0f;
    showLoggerChannel(*graph, kAir);
    paint();
    const int mid = static_cast<int>(graph->plotTop + (graph->plotBottom - graph->plotTop) / 2);
    EXPECT_EQ(px(static_cast<int>(graph->plotLeft) + 5, mid), kLoggerTrace[kAir]);
    EXPECT_TRUE(hasText(scene, "AIR"));
    EXPECT_FALSE(hasText(scene, "RH"));
    EXPECT_FALSE(hasText(scene, "WB"));
    EXPECT_FLOAT_EQ(graph->loggerY[0][4][kHumidity], graph->loggerY[0][3][kHumidity]);
    EXPECT_NE(graph->loggerY[0][4][kAir], graph->loggerY[0][3][kAir]);
}

TEST_F(LoggerPicture, EmptyStoreShowsFrameAndLegendOnly) {
    fill(9);
    paint(true);
    for (const LoggerText& t : scene.texts) {
        EXPECT_EQ(t.y, 40) << t.text;  // legend row only: no labels, no readout
    }
    EXPECT_EQ(scene.texts.size(), 5u);
    EXPECT_EQ(px(400, 300), rgb(0, 0, 0));
}

TEST_F(LoggerPicture, SetsOfNoneOrOneRecordPaintAndZoomWithoutFault) {
    for (int count : {0, 1}) {
        fill(count);
        ResetToFullView(*graph, true);
        paint();
        EXPECT_FLOAT_EQ(graph->xStep, 0.0f);
        drag({400, 150}, {600, 400});
        EXPECT_FALSE(graph->fullView);
        move({450, 200});  // no cursor, no readout without two records
        EXPECT_TRUE(graph->cursorAbsent);
        EXPECT_TRUE(overlay.texts.empty());
    }
}

TEST_F(LoggerPicture, ZoomLevelAxisFollowsTheDraggedRectangle) {
    resize(946, 601);  // a plot 450 pixels high
    fill(101);
    paint();
    const int top = static_cast<int>(graph->plotTop), bottom = static_cast<int>(graph->plotBottom);
    const int left = static_cast<int>(graph->plotLeft), right = static_cast<int>(graph->plotRight);
    drag({left, top + 225}, {right, bottom});  // the lower half: 0..50
    ASSERT_EQ(graph->zoomLevel, 1);
    EXPECT_FLOAT_EQ(graph->loggerAxisValue[0][1], 0.0f);
    EXPECT_FLOAT_EQ(graph->loggerAxisValue[10][1], 50.0f);
    EXPECT_TRUE(hasText(scene, "50.00"));
    // 20.0 sat at 4/10 of the way up; now it sits at 4/5.
    EXPECT_NEAR(graph->loggerY[1][0][kAir], bottom - 0.4f * 450, 1e-3);
    EXPECT_TRUE(scene.zoomMode);
    EXPECT_EQ(scene.scrollMax, 101);
    EXPECT_EQ(scene.thumb, 0);
}

// ---- Zoom and cursor -------------------------------------------------------------

TEST_F(LoggerPicture, DragDownwardsDeepensTheZoomAndUpwardsOnlySwitchesMode) {
    fill(100);
    paint();
    drag({400, 150}, {600, 400});
    EXPECT_EQ(graph->zoomLevel, 1);
    EXPECT_FALSE(graph->fullView);
    drag({600, 400}, {400, 150});
    EXPECT_EQ(graph->zoomLevel, 1);
    EXPECT_FALSE(graph->fullView);
}

TEST_F(LoggerPicture, ATenthOfAUnitOrLessPerDivisionBlocksTheZoom) {
    view.m_loggerGain = 1;  // 447 pixels for 10 units
    fill(100);
    paint();
    drag({400, 150}, {600, 194});  // 44 pixels: 0.098 per division
    EXPECT_EQ(graph->zoomLevel, 0);
    EXPECT_FALSE(graph->fullView);
    drag({400, 150}, {600, 195});  // 45 pixels: 0.1007 per division
    EXPECT_EQ(graph->zoomLevel, 1);
}

TEST_F(LoggerPicture, RectangleWithoutWidthOrHeightAddsNoLevel) {
    fill(100);
    paint();
    drag({400, 150}, {400, 400});
    EXPECT_EQ(graph->zoomLevel, 0);
    drag({400, 150}, {600, 150});
    EXPECT_EQ(graph->zoomLevel, 0);
    EXPECT_FALSE(graph->fullView);
    for (int k = 0; k < 11; ++k) {
        EXPECT_TRUE(std::isfinite(graph->loggerAxisValue[k][0]));
    }
}

TEST_F(LoggerPicture, StackStopsAtNinetyNineLevels) {
    fill(100);
    graph->fullView = false;
    graph->zoomLevel = kLoggerMaxZoomLevel;
    paint();
    drag({400, 150}, {600, 400});
    EXPECT_EQ(graph->zoomLevel, kLoggerMaxZoomLevel);
}

TEST_F(LoggerPicture, ClickWithoutMovingChangesNothingButClampsToThePlot) {
    fill(100);
    paint();
    loggerButtonDown(*graph, {10, 10});
    EXPECT_EQ(graph->anchorPoint.x, 306);
    EXPECT_EQ(graph->anchorPoint.y, 90);
    EXPECT_FALSE(loggerButtonUp(*graph, *doc, false, {10, 10}, buf));
    EXPECT_TRUE(graph->fullView);
}

TEST_F(LoggerPicture, PointerHalfwayBetweenTwoRecordsPicksTheLowerOne) {
    resize(967, 598);  // plot 600 wide: three records 300 pixels apart
    fill(3);
    paint();
    move({456, 300});
    EXPECT_EQ(graph->cursorIndex, 0);
    move({457, 300});
    EXPECT_EQ(graph->cursorIndex, 1);
    move({906, 300});
    EXPECT_EQ(graph->cursorIndex, 2);
}

TEST_F(LoggerPicture, ReadoutConvertsFahrenheitSetsAndMarksAbsentSurface) {
    fill(5);
    doc->m_recallFahrenheit = 1;
    doc->m_recallUnit = "F";
    doc->m_recall[0][kSurface] = -9000.0f;
    doc->m_recall[0][kHumidity] = 45.0f;
    paint();
    move({306, 300});
    const int x0 = 306;
    ASSERT_NE(textAt(overlay, x0, 70), nullptr);
    EXPECT_EQ(textAt(overlay, x0, 70)->text, "68.0F");
    EXPECT_EQ(textAt(overlay, x0 + 360, 70)->text, "------F");
    EXPECT_EQ(textAt(overlay, x0 + 480, 70)->text, "45.0%RH");
    EXPECT_EQ(textAt(overlay, x0 + 480 + 62, 70)->text, "@");
    EXPECT_EQ(textAt(overlay, x0 + 62, 70)->text, localTimeText(1765000000, kClockPattern));
    // The next paint draws the same line again.
    paint();
    EXPECT_EQ(textAt(scene, x0 + 360, 70)->text, "------F");
    EXPECT_EQ(textAt(scene, x0, 70)->text, "68.0F");
}

TEST_F(LoggerPicture, CursorLineInvertsAndMovingRemovesTheOldOne) {
    fill(100);
    paint();
    const std::vector<Pixel> before = pixels;
    move({500, 300});
    EXPECT_FALSE(graph->cursorAbsent);
    const Pixel plot = before[static_cast<std::size_t>(95) * 946 + 500];
    // Not-xor with the pen (150, 50, 50): black plot turns (105, 205, 205).
    EXPECT_EQ(px(500, 90),
              notXorPixel(kLoggerCursor, before[static_cast<std::size_t>(90) * 946 + 500]));
    EXPECT_NE(px(500, 90), plot);
    ASSERT_EQ(before[static_cast<std::size_t>(96) * 946 + 500], rgb(0, 0, 0));
    EXPECT_EQ(px(500, 96), rgb(105, 205, 205));
    move({600, 300});
    EXPECT_EQ(px(500, 90), before[static_cast<std::size_t>(90) * 946 + 500]);
    // A repaint puts the line where the pointer left it.
    paint();
    EXPECT_EQ(px(600, 90), notXorPixel(kLoggerCursor, rgb(80, 80, 80)));
}

TEST_F(LoggerPicture, RubberBandIsRemovedAlsoWhenThePointerReturnsToTheAnchor) {
    fill(100);
    paint();
    const std::vector<Pixel> before = pixels;
    loggerButtonDown(*graph, {400, 150});
    move({600, 400});
    EXPECT_NE(pixels, before);
    move({400, 150});
    // Only the cursor line differs from the picture before the drag.
    move({400, 150});
    loggerButtonUp(*graph, *doc, false, {400, 150}, buf);
    std::vector<Pixel> expected = before;
    PixelBuffer eb{expected.data(), 946, 598, 946};
    drawLine(eb, eb.bounds(), 400, 90, 400, 537, kLoggerCursor, LineStyle::Dotted, LineMode::Invert);
    EXPECT_EQ(pixels, expected);
}

TEST_F(LoggerPicture, DragLeavingTheBandIsCancelledAndTheReleaseDoesNotZoom) {
    fill(100);
    paint();
    loggerButtonDown(*graph, {400, 150});
    move({600, 400});
    EXPECT_FALSE(loggerDragWatch(*graph, {306 - 49, 300}));  // still inside the band
    EXPECT_FALSE(loggerDragWatch(*graph, {600, 537 + 39}));
    EXPECT_TRUE(loggerDragWatch(*graph, {885 + 50, 300}));
    EXPECT_FALSE(graph->dragging);
    EXPECT_FALSE(loggerButtonUp(*graph, *doc, false, {600, 400}, buf));
    EXPECT_EQ(graph->zoomLevel, 0);
    EXPECT_TRUE(graph->fullView);
    for (LoggerPoint p : {LoggerPoint{306 - 50, 300}, LoggerPoint{500, 90 - 20},
                          LoggerPoint{500, 537 + 40}}) {
        loggerButtonDown(*graph, {400, 150});
        EXPECT_TRUE(loggerDragWatch(*graph, p)) << p.x << "," << p.y;
    }
}

TEST_F(LoggerPicture, ReleasedThumbShiftsTheDataAndOtherRequestsPutItBack) {
    fill(1000);
    for (int i = 0; i < 1000; ++i) doc->m_recall[i][kAir] = static_cast<float>(i % 100);
    paint();
    drag({500, 90}, {600, 537});
    ASSERT_EQ(graph->zoomLevel, 1);
    const int first = graph->firstIndex;
    EXPECT_EQ(scene.thumb, first);
    EXPECT_EQ(loggerScroll(*graph, false, first + 30), first + 1);
    EXPECT_EQ(graph->scrollOffset, 0);
    // Thumb released at pos: record pos - 1 sits at the left plot edge.
    EXPECT_EQ(loggerScroll(*graph, true, 50), 50);
    EXPECT_EQ(graph->scrollOffset, first - 49);
    paint();
    EXPECT_EQ(graph->firstTime, doc->m_recallTag + 49 * 2);
    // Far to the right, the offset goes negative: segments before record 0 are not drawn.
    EXPECT_EQ(loggerScroll(*graph, true, 1000), 1000);
    paint();
    EXPECT_EQ(graph->firstTime, doc->m_recallTag + 999 * 2);
    ResetToFullView(*graph, true);
    EXPECT_EQ(graph->scrollOffset, 0);
}

}  // namespace
}  // namespace kr5061

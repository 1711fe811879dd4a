#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "graph/graph_test_support.h"
#include "graph/zoom_cursor.h"
#include "store/number_text.h"

namespace kr5061 {
namespace {

using test::GraphRig;

std::string clock(std::int64_t t) {
    char buf[32];
    formatLocalTime(t, kClockPattern, buf, sizeof buf);
    return buf;
}

// A completed drag from a to b in view pixels, followed by the repaint.
ReleaseOutcome drag(GraphRig& rig, GraphPoint a, GraphPoint b) {
    const PlotGeometry g = rig.geometry();
    zoomPress(*rig.graph, rig.view(), g, a);
    zoomMove(*rig.graph, rig.view(), *rig.doc, g, b);
    const ReleaseOutcome r = zoomRelease(*rig.graph, rig.view(), g, b);
    rig.paint();
    return r;
}

struct ZoomRun : testing::Test {
    GraphRig rig;
    PlotGeometry g;
    void SetUp() override {
        rig.fill(50, 45.0f);
        rig.settle();
        g = rig.geometry();
    }
};

TEST_F(ZoomRun, LowerHalfOfTheDefaultAxisZoomsToZeroToFifty) {
    const ReleaseOutcome r = drag(rig, {g.x0, g.y0 + g.height / 2}, {g.x1, g.y1});
    EXPECT_TRUE(r.repaint && r.zoomedIn);
    EXPECT_EQ(rig.graph->liveMode, 0);
    EXPECT_EQ(rig.graph->zoomLevel, 1);
    EXPECT_FLOAT_EQ(rig.graph->axisValue[1][0], 0.0f);
    EXPECT_FLOAT_EQ(rig.graph->axisValue[1][10], 50.0f);
    EXPECT_EQ(std::string(rig.scene.yLabel[10]), "50.00");
    EXPECT_EQ(std::string(rig.scene.yLabel[1]), "5.00");
    // 45 lies at nine tenths of the new axis.
    EXPECT_NEAR(rig.graph->levelY[kAir][1][0], g.height * 0.1, 0.5);
}

TEST_F(ZoomRun, ReversedDragZoomsIntoTheSameRectangle) {
    GraphRig other;
    other.fill(50, 45.0f);
    other.settle();
    const GraphPoint a{g.x0 + 100, g.y0 + 80}, b{g.x0 + 600, g.y0 + 400};
    drag(rig, a, b);
    drag(other, b, a);
    ASSERT_EQ(rig.graph->zoomLevel, 1);
    ASSERT_EQ(other.graph->zoomLevel, 1);
    for (int k = 0; k < kAxisLines; ++k) {
        EXPECT_FLOAT_EQ(rig.graph->axisValue[1][k], other.graph->axisValue[1][k]);
    }
    for (int i = 0; i < 50; ++i) {
        EXPECT_FLOAT_EQ(rig.graph->levelX[kAir][1][i], other.graph->levelX[kAir][1][i]);
        EXPECT_FLOAT_EQ(rig.graph->levelY[kHumidity][1][i], other.graph->levelY[kHumidity][1][i]);
    }
}

TEST_F(ZoomRun, DragWithoutWidthOrHeightAddsNoLevelButEntersZoomMode) {
    // Straight up: the height passes the 0.1 test, the width is zero.
    ReleaseOutcome r = drag(rig, {g.x0 + 300, g.y0 + 400}, {g.x0 + 300, g.y0 + 50});
    EXPECT_FALSE(r.zoomedIn);
    EXPECT_EQ(rig.graph->zoomLevel, 0);
    EXPECT_EQ(rig.graph->liveMode, 0);
    // Sideways only: one division would span nothing.
    r = drag(rig, {g.x0 + 100, g.y0 + 200}, {g.x0 + 500, g.y0 + 200});
    EXPECT_FALSE(r.zoomedIn);
    EXPECT_EQ(rig.graph->zoomLevel, 0);
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(std::isfinite(rig.graph->levelX[kAir][0][i]));
    }
}

TEST_F(ZoomRun, ThinRectangleStopsAtATenthPerDivision) {
    rig.view().m_gain = 1;  // axis 0..10 over 582 pixels
    rig.paint();
    // 58 pixels: one division 0.0997 units; 59 pixels: 0.1014.
    EXPECT_FALSE(drag(rig, {g.x0 + 10, g.y0 + 100}, {g.x0 + 400, g.y0 + 158}).zoomedIn);
    EXPECT_TRUE(drag(rig, {g.x0 + 10, g.y0 + 100}, {g.x0 + 400, g.y0 + 159}).zoomedIn);
}

TEST_F(ZoomRun, StackEndsAtLevelNinetyNine) {
    rig.graph->zoomLevel = kDeepestZoomLevel;
    for (int l = 0; l < kDeepestZoomLevel; ++l) {  // 99 levels of the whole plot
        rig.graph->zoomRect[l] = {0.0, 0.0, 1.0, 1.0, 0, 0, 0, 0};
    }
    rig.graph->liveMode = 0;
    rig.paint();
    EXPECT_FALSE(drag(rig, {g.x0 + 10, g.y0 + 10}, {g.x0 + 900, g.y0 + 500}).zoomedIn);
    EXPECT_EQ(rig.graph->zoomLevel, kDeepestZoomLevel);
}

TEST_F(ZoomRun, ZoomStopsOnceASampleSpansThePlot) {
    // Tenfold in time each drag, full height: 12.7 px, 127 px, 1270 px a sample.
    EXPECT_TRUE(drag(rig, {g.x0, g.y0}, {g.x0 + g.width / 10, g.y1}).zoomedIn);
    EXPECT_TRUE(drag(rig, {g.x0, g.y0}, {g.x0 + g.width / 10, g.y1}).zoomedIn);
    EXPECT_FALSE(drag(rig, {g.x0, g.y0}, {g.x0 + g.width / 10, g.y1}).zoomedIn);
    EXPECT_EQ(rig.graph->zoomLevel, 2);
    // Fewer than two samples across: every grid line marks one sample and its own time.
    for (int j = 0; j < 10; ++j) {
        EXPECT_EQ(rig.scene.sampleAtGrid[j], rig.view().m_scrollPos + j);
        EXPECT_EQ(rig.scene.timeAtGrid[j], rig.scene.timeAtGrid[0] + j);
    }
    // Only the labels of lines inside the plot are drawn.
    EXPECT_NE(rig.findText(rig.scene.timeLabel[0]), nullptr);
    EXPECT_EQ(rig.findText(rig.scene.timeLabel[2]), nullptr);
}

TEST_F(ZoomRun, ZoomTimeGridCountsFromTheFirstVisibleSample) {
    rig.view().m_samplePeriodMs = 3000;
    drag(rig, {g.x0 + 400, g.y0}, {g.x0 + 900, g.y1});  // samples ~15.7 .. ~35.4
    const PaintOutcome out = rig.paint();
    EXPECT_TRUE(out.zoomMode);
    EXPECT_EQ(out.scrollRange, 50);
    const float* lx = rig.graph->levelX[kAir][1];
    const float dT = lx[1] - lx[0], t0 = lx[0];
    EXPECT_EQ(rig.view().m_scrollPos, static_cast<int>(-t0 / dT));
    const int r = static_cast<int>(static_cast<float>(g.width) / dT);
    ASSERT_GE(r, 4);
    const int k = static_cast<int>(static_cast<float>(g.width / 4) / dT);
    std::vector<float> want;
    for (int j = 0; j < 10; ++j) {
        want.push_back(std::trunc(dT * static_cast<float>(k * j + rig.view().m_scrollPos) + t0));
        EXPECT_EQ(rig.scene.timeAtGrid[j],
                  rig.view().m_startTime + (rig.view().m_scrollPos + k * j) * 3);
    }
    EXPECT_EQ(rig.verticalGrid(), want);
    int shown = 0;
    for (int j = 0; j < 10; ++j) {
        const float x = dT * static_cast<float>(rig.scene.sampleAtGrid[j]) + g.x0 + t0;
        const SceneText* label = rig.findText(clock(rig.scene.timeAtGrid[j]));
        if (x >= g.x0 && x <= g.x1) {
            ASSERT_NE(label, nullptr) << j;
            EXPECT_EQ(label->x, static_cast<int>(x));
            EXPECT_EQ(label->y, g.y1 + 40);
            ++shown;
        } else {
            EXPECT_EQ(label, nullptr) << j;
        }
    }
    EXPECT_GE(shown, 4);
}

TEST_F(ZoomRun, CornerFractionsSurviveAResize) {
    drag(rig, {g.x0 + 200, g.y0 + 100}, {g.x0 + 800, g.y0 + 300});
    const float axisTop = rig.graph->axisValue[1][10];
    const float x5 = rig.graph->levelX[kAir][1][5] / static_cast<float>(g.width);
    rig.resize(1000, 700);
    rig.paint();
    const PlotGeometry h = rig.geometry();
    const ZoomRect& z = rig.graph->zoomRect[0];
    EXPECT_FLOAT_EQ(z.xA, static_cast<float>(h.x0 + h.width * z.fxA));
    EXPECT_FLOAT_EQ(z.yB, static_cast<float>(h.y0 + h.height * z.fyB));
    EXPECT_NEAR(rig.graph->axisValue[1][10], axisTop, 1e-3);
    EXPECT_NEAR(rig.graph->levelX[kAir][1][5] / static_cast<float>(h.width), x5, 1e-4);
}

TEST_F(ZoomRun, UndoAfterThreeZoomsReturnsStraightToLive) {
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(drag(rig, {g.x0 + 100, g.y0 + 50}, {g.x1 - 100, g.y1 - 50}).zoomedIn);
    }
    EXPECT_EQ(rig.graph->zoomLevel, 3);
    rig.view().m_scrollBase = 4;
    undoZoom(*rig.graph, rig.view());
    EXPECT_EQ(rig.graph->zoomLevel, 0);
    EXPECT_EQ(rig.graph->liveMode, 1);
    EXPECT_EQ(rig.view().m_scrollBase, 0);
    EXPECT_EQ(rig.graph->historyPixelsPerSample, rig.graph->pixelsPerSample);
    EXPECT_FALSE(rig.paint().zoomMode);
    EXPECT_EQ(std::string(rig.scene.yLabel[10]), "100.00");
}

TEST_F(ZoomRun, ClickWithoutDragNeitherZoomsNorHoldsBackTheSampleClock) {
    const GraphPoint p{g.x0 + 300, g.y0 + 300};
    zoomPress(*rig.graph, rig.view(), g, p);
    const MoveOutcome m = zoomMove(*rig.graph, rig.view(), *rig.doc, g, p);
    EXPECT_TRUE(rig.view().m_dragActive);
    EXPECT_EQ(m.drawnBand.width(), 0);
    const ReleaseOutcome r = zoomRelease(*rig.graph, rig.view(), g, p);
    EXPECT_FALSE(r.repaint);
    EXPECT_EQ(rig.graph->liveMode, 1);
    EXPECT_FALSE(rig.view().m_dragActive);
}

TEST_F(ZoomRun, RubberBandIsClampedAndNeverLeftBehind) {
    const GraphPoint a{g.x0 + 300, g.y0 + 300};
    zoomPress(*rig.graph, rig.view(), g, a);
    MoveOutcome m = zoomMove(*rig.graph, rig.view(), *rig.doc, g, {5, 5});  // far outside
    EXPECT_EQ(m.cursorX, g.x0);
    EXPECT_EQ(m.erasedBand.width(), 0);
    EXPECT_EQ(m.drawnBand, (PixelRect{g.x0, g.y0, a.x, a.y}));
    m = zoomMove(*rig.graph, rig.view(), *rig.doc, g, {a.x + 50, a.y + 20});
    EXPECT_EQ(m.erasedBand, (PixelRect{g.x0, g.y0, a.x, a.y}));
    EXPECT_EQ(m.drawnBand, (PixelRect{a.x, a.y, a.x + 50, a.y + 20}));
    m = zoomMove(*rig.graph, rig.view(), *rig.doc, g, a);  // back on the anchor
    EXPECT_EQ(m.erasedBand, (PixelRect{a.x, a.y, a.x + 50, a.y + 20}));
    EXPECT_EQ(m.drawnBand.width(), 0);
    EXPECT_TRUE(m.eraseCursor);
    EXPECT_EQ(m.erasedCursorX, a.x + 50);
}

TEST_F(ZoomRun, DragWatchCancelsADragThatLeavesTheZone) {
    const PixelRect client = rig.in.viewClient;  // zone 244 < x < 1580, 115 < y < 720
    zoomPress(*rig.graph, rig.view(), g, {g.x0 + 100, g.y0 + 100});
    zoomMove(*rig.graph, rig.view(), *rig.doc, g, {g.x0 + 400, g.y0 + 300});
    EXPECT_FALSE(dragWatchTick(*rig.graph, rig.view(), client, {245, 116}));
    EXPECT_FALSE(dragWatchTick(*rig.graph, rig.view(), client, {1579, 719}));
    EXPECT_TRUE(dragWatchTick(*rig.graph, rig.view(), client, {244, 300}));
    EXPECT_FALSE(rig.graph->dragging || rig.graph->dragMoved || rig.view().m_dragActive);
    EXPECT_FALSE(dragWatchTick(*rig.graph, rig.view(), client, {10, 10}));  // nothing to cancel
    EXPECT_FALSE(zoomRelease(*rig.graph, rig.view(), g, {g.x0 + 400, g.y0 + 300}).repaint);
    EXPECT_EQ(rig.graph->liveMode, 1);
}

TEST(ZoomMouse, IgnoredBeforeTheFirstSample) {
    GraphRig rig;
    rig.paint();
    const PlotGeometry g = rig.geometry();
    EXPECT_FALSE(zoomPress(*rig.graph, rig.view(), g, {g.x0 + 10, g.y0 + 10}));
    EXPECT_FALSE(zoomMove(*rig.graph, rig.view(), *rig.doc, g, {g.x0 + 10, g.y0 + 10}).handled);
    EXPECT_FALSE(zoomRelease(*rig.graph, rig.view(), g, {g.x0 + 90, g.y0 + 90}).handled);
    EXPECT_TRUE(rig.graph->cursorLineAbsent);
}

TEST(NearestSample, HalfwayPicksTheEarlierSample) {
    GraphRig rig(294 + 396 + 50, 900);  // W = 396: four pixels a sample
    rig.fill(10, 20.0f);
    rig.settle();
    const PlotGeometry g = rig.geometry();
    ASSERT_FLOAT_EQ(rig.graph->pixelsPerSample, 4.0f);
    EXPECT_EQ(nearestSample(*rig.graph, rig.view(), g, g.x0 + 9), 2);
    EXPECT_EQ(nearestSample(*rig.graph, rig.view(), g, g.x0 + 10), 2);  // exactly between 2 and 3
    EXPECT_EQ(nearestSample(*rig.graph, rig.view(), g, g.x0 + 11), 3);
    EXPECT_EQ(nearestSample(*rig.graph, rig.view(), g, g.x0), 0);
}

TEST(NearestSample, BeyondAFullStoreReadsNothingPastTheRowsAndShowsNoReadout) {
    GraphRig rig;
    rig.fill(kSampleCapacity, 20.0f);
    rig.settle();
    const PlotGeometry g = rig.geometry();
    const MoveOutcome m = zoomMove(*rig.graph, rig.view(), *rig.doc, g, {g.x1, g.y0 + 10});
    EXPECT_GE(rig.graph->cursorSample, kSampleCapacity - 1);
    EXPECT_EQ(m.readout, rig.graph->cursorSample < kSampleCapacity);
    // Past the last committed sample of a shorter run: no readout either.
    rig.fill(30, 20.0f);
    rig.settle();
    EXPECT_FALSE(zoomMove(*rig.graph, rig.view(), *rig.doc, g, {g.x1, g.y0 + 10}).readout);
}

TEST(Readout, TextsConvertCutAndMarkTheAbsentReading) {
    const struct {
        int ch;
        float v;
        bool f;
        const char* text;
    } cases[] = {
        {kAir, 12.39f, false, "12.4 C"},           {kSurface, 12.39f, false, "12.3 C"},
        {kSurface, kAbsentReading, false, "----"}, {kSurface, kAbsentReading, true, "----"},
        {kSurface, -1000.0f, false, "----"},       {kHumidity, 45.0f, false, "45.0 %RH"},
        {kHumidity, 45.0f, true, "45.0 %RH"},      {kAir, 20.0f, true, "68.0 F"},
        {kDewPoint, -40.0f, true, "-40.0 F"},      {kSurface, 12.39f, true, "54.3 F"},
        {kWetBulb, -12.35f, false, "-12.4 C"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(readoutValueText(c.ch, c.v, c.f), c.text) << c.ch << " " << c.v;
    }
}

TEST(Readout, PanesCarryTimeAndAllFiveChannels) {
    GraphRig rig;
    const float v[kChannelCount] = {12.39f, 10.0f, 5.55f, kAbsentReading, 61.0f};
    for (int ch = 0; ch < kChannelCount; ++ch) {
        rig.doc->m_live[ch][7] = v[ch];
    }
    rig.view().m_samplePeriodMs = 5000;
    const ReadoutTexts t = cursorReadout(rig.view(), *rig.doc, 7);
    EXPECT_EQ(t.time, "time:" + clock(rig.view().m_startTime + 35));
    EXPECT_EQ(t.readings, "AIR:12.4 C    WB:10.0 C    DP:5.6 C    K/IR:----    RH:61.0 %RH");
    // A long period late in a full run stays exact (no 32-bit overflow).
    rig.view().m_samplePeriodMs = 3600 * 1000;
    EXPECT_EQ(cursorReadout(rig.view(), *rig.doc, 10000).time,
              "time:" + clock(rig.view().m_startTime + 36000000));
}

}  // namespace
}  // namespace kr5061

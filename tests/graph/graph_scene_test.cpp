#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>
#include <string>

#include "graph/graph_scene.h"
#include "graph/graph_test_support.h"
#include "graph/scene_raster.h"
#include "graph/zoom_cursor.h"
#include "store/number_text.h"

// Counts operator new calls so that a test can show a paint allocates nothing.
namespace {
std::atomic<long> g_newCalls{0};
}
void* operator new(std::size_t size) {
    ++g_newCalls;
    if (void* p = std::malloc(size ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace kr5061 {
namespace {

using test::GraphRig;

constexpr int kX0 = 294, kY0 = 118, kW = 1256, kH = 582, kY1 = 700;

std::string clock(std::int64_t t) {
    char buf[32];
    formatLocalTime(t, kClockPattern, buf, sizeof buf);
    return buf;
}

TEST(GraphScene, WithoutSamplesOnlyTheTwelveColumnGridAndTheCaptions) {
    GraphRig rig;
    const PaintOutcome out = rig.paint();
    EXPECT_TRUE(out.showCaptions);
    EXPECT_EQ(kTimeCaption, "time:");
    EXPECT_EQ(kChannelCaption, "AIR:         WB:         DP:         K/IR:         RH:");
    const std::vector<float> want = {0,   104, 209, 314,  418,  523, 628,
                                     732, 837, 942, 1046, 1151, 1256};
    EXPECT_EQ(rig.verticalGrid(), want);
    EXPECT_EQ(rig.traceCount(), 0);
    EXPECT_EQ(rig.findText(clock(rig.view().m_startTime)), nullptr);  // no time labels

    // Horizontal lines at trunc(i * H * 0.1), i = 1..10, none at the top edge.
    std::vector<float> rows;
    for (int i = 0; i < rig.scene.opCount(Layer::Over); ++i) {
        const RasterOp& op = rig.scene.op(Layer::Over, i);
        if (op.kind == OpKind::Line && op.surface == Surface::Plot && op.y0 == op.y1) {
            rows.push_back(op.y0);
        }
    }
    EXPECT_EQ(rows, (std::vector<float>{58, 116, 174, 232, 291, 349, 407, 465, 523, 582}));

    const PixelBuffer img = rig.render();
    EXPECT_EQ(img.at(kX0 + 104, kY0 + kH - 1), kGridColour);  // dots start at the bottom
    EXPECT_EQ(img.at(kX0 + 104, kY0 + kH - 4), kPlotBackground);
    EXPECT_EQ(img.at(kX0 + 500, kY0 + 58), kGridColour);
    EXPECT_EQ(img.at(kX0 + 3, kY0 + 58), kPlotBackground);
    EXPECT_EQ(img.at(kX0 + 500, kY0 + 300), kPlotBackground);
}

TEST(GraphScene, ValueLabelsReadZeroToHundredRightAligned) {
    GraphRig rig;
    rig.paint();
    for (int k = 0; k <= 10; ++k) {
        EXPECT_EQ(std::string(rig.scene.yLabel[k]), std::to_string(10 * k) + ".00");
    }
    const SceneText* top = rig.findText("100.00");
    const SceneText* bottom = rig.findText("0.00");
    const SceneText* mid = rig.findText("50.00");
    ASSERT_TRUE(top && bottom && mid);
    EXPECT_EQ(top->surface, Surface::ValueStrip);
    EXPECT_EQ(top->x, 17);  // 2 x 7.5 + 2
    EXPECT_EQ(bottom->x, 32);
    EXPECT_EQ(mid->x, 24);
    EXPECT_EQ(bottom->y, kY1 - 0 - 94 - 8);
    EXPECT_EQ(top->y, kY1 - 10 * (kH - 2) / 10 - 94 - 8);
    EXPECT_EQ(mid->y, kY1 - 5 * (kH - 2) / 10 - 94 - 8);
    EXPECT_EQ(rig.scene.surface[static_cast<int>(Surface::ValueStrip)].originX, 226);
    EXPECT_EQ(rig.scene.surface[static_cast<int>(Surface::ValueStrip)].originY, 94);

    // Ticks from x 63 to 68 of the strip, at y1 - trunc(k (H-1) / 10) - 94 - 1.
    const PixelBuffer img = rig.render();
    const int tick0 = kY1 - 94 - 1 + 94, tick10 = kY1 - 581 - 94 - 1 + 94;
    for (int x = 226 + 63; x < 226 + 68; ++x) {
        EXPECT_EQ(img.at(x, tick0), kTextColour);
        EXPECT_EQ(img.at(x, tick10), kTextColour);
    }
    EXPECT_NE(img.at(226 + 68, tick0), kTextColour);  // the plot starts there
    EXPECT_EQ(img.at(226 + 62, tick0), kBandColour);
}

TEST(GraphScene, LabelShiftFollowsTheNumberOfDigits) {
    const std::pair<float, int> cases[] = {
        {0.0f, 4},   {9.99f, 4},   {10.0f, 3},   {99.9f, 3},   {100.0f, 2},
        {999.0f, 2}, {1000.0f, 1}, {5000.0f, 1}, {-0.5f, 3},   {-9.99f, 3},
        {-10.0f, 2}, {-99.0f, 2},  {-100.0f, 1}, {-999.0f, 1}, {-1000.0f, 0},
    };
    for (const auto& [v, d] : cases) {
        EXPECT_EQ(valueLabelShift(v), d) << v;
    }
}

TEST(GraphScene, GainOneOffsetMinusTwoRunsFromMinusTwoToEight) {
    GraphRig rig;
    rig.view().m_gain = 1;
    rig.view().m_offset = -2;
    rig.paint();
    EXPECT_EQ(std::string(rig.scene.yLabel[0]), "-2.00");
    EXPECT_EQ(std::string(rig.scene.yLabel[2]), "0.00");
    EXPECT_EQ(std::string(rig.scene.yLabel[10]), "8.00");
    EXPECT_EQ(rig.findText("-2.00")->x, 24);  // -10 < v < 0: 3 x 7.5 + 2
}

TEST(GraphScene, HiddenChannelsLoseTraceAndLegendOthersKeepTheirPlaces) {
    GraphRig rig;
    rig.fill(5, 45.0f);
    rig.view().m_showTrace[kWetBulb] = false;
    rig.settle();
    EXPECT_EQ(rig.findText("WB"), nullptr);
    const SceneText* air = rig.findText("AIR");
    const SceneText* dp = rig.findText("DP");
    const SceneText* rh = rig.findText("RH");
    ASSERT_TRUE(air && dp && rh);
    EXPECT_EQ(air->surface, Surface::Frame);
    EXPECT_EQ(air->x, kX0 + 65);
    EXPECT_EQ(air->y, kY0 + 10);
    EXPECT_EQ(dp->x, kX0 + 265);
    EXPECT_EQ(rh->x, kX0 + 465);
    EXPECT_EQ(rig.traceCount(), 4);

    // The frame surface lies where the view sits in the frame: 30 pixels lower.
    const PixelBuffer img = rig.render();
    EXPECT_EQ(img.at(kX0 + 75, kY0 + 28 - 30), kTraceColour[kAir]);  // the 2-pixel legend line
    EXPECT_EQ(img.at(kX0 + 75, kY0 + 27 - 30), kTraceColour[kAir]);
    EXPECT_EQ(img.at(kX0 + 175, kY0 + 28 - 30), kBandColour);  // WB's place stays empty
    EXPECT_EQ(img.at(kX0 + 275, kY0 + 28 - 30), kTraceColour[kDewPoint]);
    EXPECT_EQ(img.at(kX0 + 49, kY0 + 28 - 30), kBandColour);
    EXPECT_EQ(img.at(kX0 + 100, kY0 + 28 - 30), kBandColour);
}

TEST(GraphScene, TracePixelsFollowTheSamplesInChannelOrder) {
    GraphRig rig;
    rig.fill(3, 45.0f);                             // y = 582 - 261.9 -> 320
    rig.doc->m_live[kSurface][0] = kAbsentReading;  // far below the plot
    rig.doc->m_live[kSurface][1] = kAbsentReading;
    rig.doc->m_live[kSurface][2] = kAbsentReading;
    rig.paint();
    const PixelBuffer img = rig.render();
    const int y = kY0 + 320;
    // Samples at 0, 12.69, 25.37: segments 0..12 and 12..25, the last end left out.
    for (int x = 0; x < 25; ++x) {
        EXPECT_EQ(img.at(kX0 + x, y), kTraceColour[kHumidity]) << x;  // RH is drawn last
    }
    EXPECT_EQ(img.at(kX0 + 25, y), kPlotBackground);
    EXPECT_EQ(img.at(kX0, y - 1), kPlotBackground);
    int surface = 0;
    for (int yy = kY0; yy < kY0 + kH; ++yy) {
        for (int x = kX0; x < kX0 + kW; ++x) {
            surface += img.at(x, yy) == kTraceColour[kSurface];
        }
    }
    EXPECT_EQ(surface, 0);  // the absent K/IR reading never shows
}

TEST(GraphScene, OneSampleResetsTheLiveScaleAndDrawsNoTrace) {
    GraphRig rig;
    rig.graph->liveMode = 0;
    rig.graph->zoomLevel = 3;
    rig.graph->pointsPerScreen = 700;
    rig.view().m_scrollBase = 9;
    rig.view().m_samplePeriodMs = 2000;
    rig.fill(1, 20.0f);
    const PaintOutcome out = rig.paint();
    EXPECT_FALSE(out.zoomMode);
    EXPECT_EQ(rig.graph->liveMode, 1);
    EXPECT_EQ(rig.graph->zoomLevel, 0);
    EXPECT_EQ(rig.graph->pointsPerScreen, 100);
    EXPECT_EQ(rig.view().m_scrollBase, 0);
    EXPECT_EQ(rig.traceCount(), 0);

    // Grid on whole samples: k = trunc((1256 / 12) / (1256 / 99)) = 8 per column.
    const float pps = 1256.0f / 99.0f;
    std::vector<float> want;
    for (int i = 0; i <= 13; ++i) {
        want.push_back(std::trunc(static_cast<float>(i * 8) * pps));
    }
    EXPECT_EQ(rig.verticalGrid(), want);

    // Time labels at grid lines 0, 3, 6, 9, 12, every 3 x 8 samples of 2 s.
    const std::int64_t t0 = rig.view().m_startTime;
    const SceneText* first = rig.findText(clock(t0));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->surface, Surface::Frame);
    EXPECT_EQ(first->x, kX0 + 2);
    EXPECT_EQ(first->y, kY1 + 40);
    for (int m = 1; m <= 4; ++m) {
        const SceneText* t = rig.findText(clock(t0 + 48 * m));
        ASSERT_NE(t, nullptr) << m;
        EXPECT_EQ(t->x, static_cast<int>(8.0f * pps * static_cast<float>(3 * m) + kX0));
        EXPECT_EQ(t->background, kBandColour);
    }
}

TEST(GraphScene, HundredSamplesReachTheRightEdgeTheNextCompresses) {
    GraphRig rig;
    rig.fill(1, 45.0f);
    rig.paint();
    rig.fill(100, 45.0f);
    EXPECT_FALSE(rig.paint().invalidateAgain);
    EXPECT_FLOAT_EQ(rig.graph->plotX[99], 1256.0f);
    PixelBuffer img = rig.render();
    EXPECT_EQ(img.at(kX0 + kW - 1, kY0 + 320), kTraceColour[kHumidity]);

    rig.fill(101, 45.0f);
    EXPECT_TRUE(rig.paint().invalidateAgain);
    EXPECT_NEAR(rig.graph->plotX[100], 1256.0 * 11 / 12, 1e-3);
    EXPECT_FALSE(rig.paint().invalidateAgain);
    img = rig.render();
    EXPECT_EQ(img.at(kX0 + kW - 1, kY0 + 320), kPlotBackground);  // room on the right again
}

TEST(GraphScene, WindowTooShortForAPlotHasNoTimeBand) {
    auto bandFills = [](const GraphRig& rig) {
        int n = 0;
        for (int i = 0; i < rig.scene.opCount(Layer::Under); ++i) {
            const RasterOp& op = rig.scene.op(Layer::Under, i);
            n += op.kind == OpKind::Fill && op.surface == Surface::Frame && op.y1 == 29;
        }
        return n;
    };
    GraphRig tall;
    tall.fill(2, 10.0f);
    tall.paint();
    EXPECT_EQ(bandFills(tall), 1);
    GraphRig flat(1600, 318);  // y1 = 118 = y0
    flat.in.buttonFace = rgb(240, 240, 240);
    flat.fill(2, 10.0f);
    flat.paint();
    EXPECT_EQ(bandFills(flat), 0);
    const SceneText* t = flat.findText(clock(flat.view().m_startTime));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->background, rgb(240, 240, 240));
    flat.render();  // a plot without height draws nothing and crashes nowhere
}

TEST(GraphScene, CursorLineStaysAfterASampleAndIsMarkedAbsentOtherwise) {
    GraphRig rig;
    rig.fill(5, 45.0f);
    rig.graph->cursorLineAbsent = false;
    rig.graph->cursorX = 500;
    rig.view().m_plotting = true;
    const PaintOutcome afterSample = rig.paint();
    EXPECT_TRUE(afterSample.keepCursorLine);
    EXPECT_EQ(afterSample.cursorX, 500);
    EXPECT_FALSE(rig.view().m_plotting);
    EXPECT_FALSE(rig.graph->cursorLineAbsent);

    EXPECT_FALSE(rig.paint().keepCursorLine) << "a repaint without a new sample wipes the line";
    EXPECT_TRUE(rig.graph->cursorLineAbsent);
}

TEST(GraphScene, ZoomedPaintsAllocateNothing) {
    GraphRig rig;
    rig.fill(kSampleCapacity, 45.0f);
    rig.settle();
    const PlotGeometry g = rig.geometry();
    zoomPress(*rig.graph, rig.view(), g, {g.x0 + 100, g.y0 + 50});
    zoomMove(*rig.graph, rig.view(), *rig.doc, g, {g.x0 + 700, g.y0 + 400});
    zoomRelease(*rig.graph, rig.view(), g, {g.x0 + 700, g.y0 + 400});
    rig.paint();
    rig.render();
    const long before = g_newCalls.load();
    for (int i = 0; i < 3; ++i) {
        rig.paint();
        rasteriseScene(rig.scene, Layer::Under, PixelBuffer{rig.pixels.data(), 1600, 900, 1600});
        rasteriseScene(rig.scene, Layer::Over, PixelBuffer{rig.pixels.data(), 1600, 900, 1600});
    }
    EXPECT_EQ(g_newCalls.load() - before, 0);
}

}  // namespace
}  // namespace kr5061

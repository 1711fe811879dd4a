#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <type_traits>

#include "graph/graph_scale.h"

namespace kr5061 {
namespace {

static_assert(!std::is_copy_constructible_v<LiveGraph> && !std::is_copy_assignable_v<LiveGraph>,
              "the 40 MB graph state must never be copied");

TEST(LiveGraphState, StartsLiveUnzoomedWithHundredPositionsAndNoCursorLine) {
    const auto g = makeLiveGraph();
    EXPECT_EQ(g->liveMode, 1);
    EXPECT_EQ(g->pointsPerScreen, 100);
    EXPECT_EQ(g->zoomLevel, 0);
    EXPECT_TRUE(g->scrollInitialised);
    EXPECT_TRUE(g->cursorLineAbsent);
    EXPECT_FALSE(g->dragging || g->dragMoved);
}

TEST(PlottedValue, CutsSurfaceRoundsOthersAwayFromZero) {
    struct Case {
        int ch;
        float stored;
        bool fahrenheit;
        float plotted;
    };
    const Case cases[] = {
        {kSurface, 12.39f, false, 12.3f},    {kSurface, -12.39f, false, -12.3f},
        {kAir, 12.39f, false, 12.4f},        {kAir, 12.35f, false, 12.4f},
        {kDewPoint, -12.35f, false, -12.4f}, {kHumidity, 45.25f, false, 45.3f},
        {kAir, 20.0f, true, 68.0f},          {kWetBulb, -40.0f, true, -40.0f},
        {kSurface, 12.39f, true, 54.3f},   // 54.302 F, cut
        {kHumidity, 45.25f, true, 45.3f},  // RH is never converted
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "ch " << c.ch << " value " << c.stored);
        EXPECT_FLOAT_EQ(plottedValue(c.ch, c.stored, c.fahrenheit), c.plotted);
    }
}

TEST(AxisAndMapping, Level0AxisSpansTenDivisionsFromTheOffset) {
    const auto g = makeLiveGraph();
    buildLevel0Axis(*g, 1, -2);
    for (int k = 0; k < kAxisLines; ++k) {
        EXPECT_FLOAT_EQ(g->axisValue[0][k], -2.0f + k);
    }
    buildLevel0Axis(*g, 10, 0);
    EXPECT_FLOAT_EQ(g->axisValue[0][0], 0.0f);
    EXPECT_FLOAT_EQ(g->axisValue[0][5], 50.0f);
    EXPECT_FLOAT_EQ(g->axisValue[0][10], 100.0f);
}

TEST(AxisAndMapping, BottomOfAxisIsPlotHeightTopIsZeroAbsentFallsFarBelow) {
    EXPECT_FLOAT_EQ(valueToY(0.0f, 0.0f, 100.0f, 400), 400.0f);
    EXPECT_FLOAT_EQ(valueToY(100.0f, 0.0f, 100.0f, 400), 0.0f);
    EXPECT_FLOAT_EQ(valueToY(3.0f, -2.0f, 8.0f, 400), 200.0f);
    EXPECT_FLOAT_EQ(valueToY(120.0f, 0.0f, 100.0f, 400), -80.0f) << "not pulled to the edge";
    EXPECT_GT(valueToY(kAbsentReading, 0.0f, 100.0f, 400), 10 * 400.0f);
}

// Drives the paint's scale work the way the view does: one paint per committed
// sample, and a repaint whenever the paint asks for one.
class ScaleRun : public ::testing::Test {
protected:
    bool paint(int samples) {
        view.m_sampleIndex = samples;
        return updateLiveScale(*graph, view, *doc, width, height);
    }
    // Paints until no further repaint is asked for; returns how many it took.
    int paintSettled(int samples) {
        int paints = 1;
        while (paint(samples) && paints < 10) {
            ++paints;
        }
        return paints;
    }
    float lastX(int samples) const { return graph->plotX[samples - 1]; }
    void expectAllInsidePlot(int samples) const {
        ASSERT_LE(std::trunc(lastX(samples)), static_cast<float>(width)) << "samples " << samples;
    }

    std::unique_ptr<LiveGraph> graph = makeLiveGraph();
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    ViewState view;
    int width = 1000;
    int height = 500;
};

TEST_F(ScaleRun, HundredSamplesReachRightEdgeAndTheHundredFirstCompresses) {
    for (const int w : {1000, 1576}) {
        SCOPED_TRACE(w);
        width = w;
        graph = makeLiveGraph();
        for (int n = 1; n <= 100; ++n) {
            ASSERT_FALSE(paint(n)) << n;
        }
        EXPECT_FLOAT_EQ(lastX(100), static_cast<float>(w));
        EXPECT_FLOAT_EQ(graph->levelX[kAir][0][99], static_cast<float>(w));

        EXPECT_TRUE(paint(101));
        EXPECT_EQ(graph->pointsPerScreen, 110);
        EXPECT_FLOAT_EQ(graph->pixelsPerSample, (w - w / 12.0f) / 100.0f);
        EXPECT_NEAR(lastX(101), w * 11.0f / 12.0f, 1e-3f * w) << "eleven twelfths filled";

        EXPECT_FALSE(paint(101)) << "the repaint settles";
        EXPECT_FLOAT_EQ(graph->pixelsPerSample, w / 109.0f);
        EXPECT_FLOAT_EQ(lastX(101), 100.0f * w / 109.0f);
        EXPECT_EQ(graph->savedPointsPerScreen, 110);
        EXPECT_FLOAT_EQ(graph->historyPixelsPerSample, graph->pixelsPerSample);
    }
}

TEST_F(ScaleRun, LongRunOneSampleAtATimeStaysInsideThePlot) {
    width = 1576;
    int compressions = 0;
    for (int n = 1; n <= 3000; ++n) {
        const int positionsBefore = graph->pointsPerScreen;
        if (paint(n)) {
            ++compressions;
            ASSERT_EQ(n, positionsBefore + 1) << "compresses only when the screen is full";
            ASSERT_FALSE(paint(n)) << "one compression makes room for the next sample";
        }
        if (n >= 2) {
            expectAllInsidePlot(n);
        }
    }
    EXPECT_GE(graph->pointsPerScreen, 3000);
    EXPECT_GT(compressions, 30);
}

TEST_F(ScaleRun, SamplesArrivingInJumpsCompressSeveralTimesInOnePaint) {
    // Without repaints (a drag holds them back) many samples arrive at once.
    paint(1);
    paint(50);
    EXPECT_TRUE(paint(400));
    EXPECT_GT(graph->pointsPerScreen, 400) << "one compression alone gives 110";
    expectAllInsidePlot(400);
    EXPECT_EQ(paintSettled(400), 1);
    for (int n = 400; n <= 10000; n += 977) {
        paintSettled(n);
        expectAllInsidePlot(n);
        EXPECT_LE(n, graph->pointsPerScreen);
    }
}

TEST_F(ScaleRun, FirstSampleOfANewRunResetsTheScale) {
    paint(1);
    paint(700);
    paintSettled(700);
    ASSERT_GT(graph->pointsPerScreen, 700);
    graph->liveMode = 0;
    graph->zoomLevel = 3;
    view.m_scrollBase = 7;

    EXPECT_FALSE(paint(1));
    EXPECT_EQ(graph->pointsPerScreen, 100);
    EXPECT_EQ(graph->zoomLevel, 0);
    EXPECT_EQ(graph->liveMode, 1);
    EXPECT_EQ(view.m_scrollBase, 0);
    EXPECT_FLOAT_EQ(graph->pixelsPerSample, width / 99.0f);
    EXPECT_FALSE(paint(2));
    EXPECT_FLOAT_EQ(graph->plotX[1], width / 99.0f);
}

TEST_F(ScaleRun, ZoomModeKeepsLevel0AtTheSpacingOfTheLastLivePaint) {
    for (int n = 1; n <= 50; ++n) {
        paint(n);
    }
    graph->liveMode = 0;  // zoomed at 50 samples, 100 positions
    for (int n = 51; n <= 150; ++n) {
        paintSettled(n);
    }
    EXPECT_EQ(graph->savedPointsPerScreen, 100);
    EXPECT_GT(graph->pointsPerScreen, 150) << "the live scale still compresses";
    EXPECT_FLOAT_EQ(graph->levelX[kAir][0][149], 149.0f * width / 99.0f);
    EXPECT_LT(lastX(150), static_cast<float>(width));

    graph->liveMode = 1;  // back to live: level 0 follows the live plot again
    paint(150);
    EXPECT_EQ(graph->savedPointsPerScreen, graph->pointsPerScreen);
    EXPECT_FLOAT_EQ(graph->levelX[kAir][0][149], lastX(150));
}

TEST_F(ScaleRun, Level0YFollowsUnitsRoundingAndAxis) {
    view.m_fahrenheit = true;
    view.m_gain = 20;  // axis 0..200
    const float sample0[kChannelCount] = {20.0f, 10.0f, 5.0f, kAbsentReading, 50.0f};
    const float sample1[kChannelCount] = {-10.0f, 0.0f, 0.0f, 12.39f, 45.25f};
    for (int ch = 0; ch < kChannelCount; ++ch) {
        doc->m_live[ch][0] = sample0[ch];
        doc->m_live[ch][1] = sample1[ch];
    }
    paint(1);
    paint(2);
    const float h = static_cast<float>(height);
    EXPECT_FLOAT_EQ(graph->plotY[kAir][0], h - h * 68.0f / 200.0f);
    EXPECT_FLOAT_EQ(graph->plotY[kAir][1], h - h * 14.0f / 200.0f);
    EXPECT_FLOAT_EQ(graph->plotY[kHumidity][0], h - h * 50.0f / 200.0f) << "RH unconverted";
    EXPECT_FLOAT_EQ(graph->plotY[kSurface][1], h - h * 54.3f / 200.0f);
    EXPECT_GT(graph->plotY[kSurface][0], 10.0f * h) << "absent K/IR far below the plot";
    graph->liveMode = 0;  // level 0's y are kept for a zoomed paint
    paint(2);
    for (int ch = 0; ch < kChannelCount; ++ch) {
        EXPECT_EQ(graph->levelY[ch][0][0], graph->plotY[ch][0]);
        EXPECT_EQ(graph->levelY[ch][0][1], graph->plotY[ch][1]);
    }
}

TEST_F(ScaleRun, PlotWithoutWidthDoesNotCompress) {
    width = 0;
    paint(1);
    EXPECT_FALSE(paint(300));
    EXPECT_EQ(graph->pointsPerScreen, 100);
}

}  // namespace
}  // namespace kr5061

namespace kr5061 {
namespace {

// Level 0 is kept between paints and recomputed only where a reading or the
// spacing changed: after any change it equals that of a graph painting the new
// state for the first time.
TEST(Level0Kept, EqualsAFreshWalkAfterEveryKindOfChange) {
    struct Case {
        const char* what;
        void (*change)(CHygDoc&, ViewState&);
        int width = 900;  // of the plot after the change
    };
    const Case cases[] = {
        {"a middle reading", [](CHygDoc& d, ViewState&) { d.m_live[kWetBulb][40] = 77.7f; }},
        {"the first reading", [](CHygDoc& d, ViewState&) { d.m_live[kAir][0] = -3.0f; }},
        {"a reading to its twin", [](CHygDoc& d, ViewState&) { d.m_live[kAir][31] = d.m_live[kAir][30]; }},
        {"one sample more", [](CHygDoc&, ViewState& v) { ++v.m_sampleIndex; }},
        {"one sample less", [](CHygDoc&, ViewState& v) { --v.m_sampleIndex; }},
        {"Fahrenheit", [](CHygDoc&, ViewState& v) { v.m_fahrenheit = true; }},
        {"the gain", [](CHygDoc&, ViewState& v) { v.m_gain = 2; }},
        {"the offset", [](CHygDoc&, ViewState& v) { v.m_offset = -1; }},
        {"the width", [](CHygDoc&, ViewState&) {}, 700},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto doc = std::make_unique<CHygDoc>();
        for (int ch = 0; ch < kChannelCount; ++ch) {
            for (int i = 0; i < 80; ++i) {
                doc->m_live[ch][i] = static_cast<float>((i / 3) % 7) + 10.0f * ch;
            }
        }
        ViewState view;
        view.m_sampleIndex = 60;
        const auto kept = makeLiveGraph();
        updateLiveScale(*kept, view, *doc, 900, 400);
        c.change(*doc, view);
        updateLiveScale(*kept, view, *doc, c.width, 400);
        const auto fresh = makeLiveGraph();
        updateLiveScale(*fresh, view, *doc, c.width, 400);
        for (int i = 0; i < view.m_sampleIndex; ++i) {
            ASSERT_EQ(kept->plotX[i], fresh->plotX[i]) << "i " << i;
            for (int ch = 0; ch < kChannelCount; ++ch) {
                ASSERT_EQ(kept->plotY[ch][i], fresh->plotY[ch][i]) << "ch " << ch << " i " << i;
            }
        }
    }
}

}  // namespace
}  // namespace kr5061

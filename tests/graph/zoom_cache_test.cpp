// The zoomed level's coordinates are kept between paints. Whatever changed
// since the last paint, a paint that reuses them must give the very pixels of a
// paint that rebuilds them from scratch; each case below changes one input the
// kept level depends on, so a missing invalidation shows as stale traces.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "graph/graph_test_support.h"
#include "graph/zoom_cursor.h"
#include "logger/logger_graph.h"
#include "logger/logger_scene.h"
#include "logger/logger_zoom.h"
#include "store/hyg_doc.h"

namespace kr5061 {
namespace {

using test::GraphRig;

float wave(int ch, int i) {
    return 20.0f + 5.0f * static_cast<float>(ch) +
           8.0f * std::sin(0.05f * static_cast<float>(i + ch));
}

void fillWave(GraphRig& rig, int n) {
    for (int ch = 0; ch < kChannelCount; ++ch) {
        for (int i = 0; i < n; ++i) {
            rig.doc->m_live[ch][i] = wave(ch, i);
        }
    }
    rig.view().m_sampleIndex = n;
}

void zoomOnce(GraphRig& rig, int inset) {
    const PlotGeometry g = rig.geometry();
    // The right end stays in view, where a new sample appears.
    const GraphPoint a{g.x0 + inset, g.y0 + inset / 2}, b{g.x1, g.y1 - inset / 2};
    zoomPress(*rig.graph, rig.view(), g, a);
    zoomMove(*rig.graph, rig.view(), *rig.doc, g, b);
    zoomRelease(*rig.graph, rig.view(), g, b);
    rig.paint();
}

std::vector<Pixel> pixelsOf(GraphRig& rig) {
    rig.render();
    return rig.pixels;
}

struct GraphChange {
    const char* name;
    std::function<void(GraphRig&)> apply;
};

TEST(ZoomCache, RealTimeGraphReusedLevelEqualsAFreshRebuild) {
    const GraphChange changes[] = {
        {"nothing", [](GraphRig&) {}},
        {"resize", [](GraphRig& r) { r.resize(1500, 860); }},
        {"new sample", [](GraphRig& r) { fillWave(r, 121); }},
        {"fewer samples", [](GraphRig& r) { fillWave(r, 90); }},
        {"new value in place", [](GraphRig& r) { r.doc->m_live[kHumidity][60] += 7.0f; }},
        {"axis", [](GraphRig& r) { r.view().m_gain = 20; }},
        {"fahrenheit", [](GraphRig& r) { r.view().m_fahrenheit = true; }},
        {"one level deeper", [](GraphRig& r) { zoomOnce(r, 150); }},
        {"out and in elsewhere",
         [](GraphRig& r) {
             r.graph->zoomLevel = 1;
             zoomOnce(r, 300);
         }},
    };
    for (const GraphChange& c : changes) {
        SCOPED_TRACE(c.name);
        GraphRig rig;
        fillWave(rig, 120);
        rig.settle();
        zoomOnce(rig, 40);
        zoomOnce(rig, 60);
        ASSERT_EQ(rig.graph->zoomLevel, 2);
        rig.paint();  // builds the kept level
        c.apply(rig);
        rig.paint();
        const std::vector<Pixel> reused = pixelsOf(rig);
        rig.graph->levelCache = LevelCacheKey{};  // forget it: a full rebuild
        rig.paint();
        EXPECT_TRUE(reused == pixelsOf(rig));
    }
}

struct LoggerRig {
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    std::unique_ptr<LoggerGraph> graph = makeLoggerGraph();
    ViewState view;
    LoggerScene scene, overlay;
    int width = 1200, height = 800;
    std::vector<Pixel> pixels;

    LoggerRig() {
        view.m_loggerGain = 10;
        doc->m_recallCount = 3000;
        doc->m_recallPeriod = 1;
        doc->m_recallTag = 1765000000;
        doc->m_recallUnit = "C";
        for (int i = 0; i < 3000; ++i) {
            for (int ch = 0; ch < kChannelCount; ++ch) {
                doc->m_recall[i][ch] = wave(ch, i);
            }
        }
    }
    PixelBuffer buffer() {
        pixels.assign(static_cast<std::size_t>(width) * height, 0);
        return {pixels.data(), width, height, width};
    }
    void paint() { buildLoggerScene(*graph, *doc, view, false, buffer(), scene); }
    void zoom(int inset) {
        const int l = static_cast<int>(graph->plotLeft), t = static_cast<int>(graph->plotTop);
        const int r = static_cast<int>(graph->plotRight), b = static_cast<int>(graph->plotBottom);
        const LoggerPoint p{l + inset, t + inset / 2}, q{r - inset, b - inset / 2};
        std::vector<Pixel> scratch(static_cast<std::size_t>(width) * height);
        const PixelBuffer s{scratch.data(), width, height, width};
        loggerButtonDown(*graph, p);
        loggerMouseMove(*graph, *doc, false, q, s, overlay);
        loggerButtonUp(*graph, *doc, false, q, s);
        paint();
    }
};

struct LoggerChange {
    const char* name;
    std::function<void(LoggerRig&)> apply;
};

TEST(ZoomCache, LoggerReusedLevelEqualsAFreshRebuild) {
    const LoggerChange changes[] = {
        {"nothing", [](LoggerRig&) {}},
        {"resize", [](LoggerRig& r) { r.width = 1100, r.height = 760; }},
        {"other records", [](LoggerRig& r) { r.doc->m_recall[1500][kAir] += 9.0f; }},
        {"fewer records", [](LoggerRig& r) { r.doc->m_recallCount = 2500; }},
        {"axis", [](LoggerRig& r) { r.view.m_loggerOffset = 1; }},
        {"fahrenheit", [](LoggerRig& r) { r.doc->m_recallFahrenheit = 1; }},
        {"one level deeper", [](LoggerRig& r) { r.zoom(90); }},
    };
    for (const LoggerChange& c : changes) {
        SCOPED_TRACE(c.name);
        LoggerRig rig;
        rig.paint();
        rig.zoom(40);
        rig.zoom(60);
        ASSERT_EQ(rig.graph->zoomLevel, 2);
        rig.paint();
        c.apply(rig);
        rig.paint();
        const std::vector<Pixel> reused = rig.pixels;
        rig.graph->levelCache = LoggerLevelCacheKey{};
        rig.paint();
        EXPECT_TRUE(reused == rig.pixels);
    }
}

}  // namespace
}  // namespace kr5061

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "logger/logger_graph.h"
#include "logger/logger_scene.h"
#include "logger/logger_zoom.h"
#include "store/hyg_doc.h"

namespace kr5061 {
namespace {

// A paint in zoom mode computes only the deepest level's coordinates, straight
// from level 0. They must equal, bit for bit, what mapping level by level gives.
TEST(LoggerZoomDepth, DeepestLevelEqualsTheLevelByLevelMapping) {
    auto doc = std::make_unique<CHygDoc>();
    auto graph = makeLoggerGraph();
    ViewState view;
    view.m_loggerGain = 10;
    view.m_loggerOffset = 0;
    const int n = 10007;  // not a whole number of vector chunks
    doc->m_recallCount = n;
    doc->m_recallPeriod = 1;
    doc->m_recallTag = 1765000000;
    doc->m_recallUnit = "C";
    for (int i = 0; i < n; ++i) {
        const float t = static_cast<float>(i);
        doc->m_recall[i][kAir] = 22.0f + 6.0f * std::sin(t * 0.03f);
        doc->m_recall[i][kWetBulb] = 16.0f + 4.0f * std::sin(t * 0.04f);
        doc->m_recall[i][kDewPoint] = 11.0f + 3.0f * std::cos(t * 0.02f);
        doc->m_recall[i][kSurface] = 30.0f + 10.0f * std::sin(t * 0.1f);
        doc->m_recall[i][kHumidity] = 55.0f + 20.0f * std::cos(t * 0.015f);
    }
    std::vector<Pixel> pixels(1200 * 800);
    const PixelBuffer buf{pixels.data(), 1200, 800, 1200};
    LoggerScene scene, overlay;
    buildLoggerScene(*graph, *doc, view, false, buf, scene);
    const int left = static_cast<int>(graph->plotLeft), top = static_cast<int>(graph->plotTop);
    const int right = static_cast<int>(graph->plotRight);
    const int bottom = static_cast<int>(graph->plotBottom);
    for (int l = 0; l < 6; ++l) {
        // Every other band dragged right to left, so that its corners need reordering.
        LoggerPoint a{left + 20 + 7 * l, top + 10 + 3 * l}, b{right - 30 - 5 * l, bottom - 15 - l};
        if (l % 2 == 1) std::swap(a.x, b.x);
        loggerButtonDown(*graph, a);
        loggerMouseMove(*graph, *doc, false, b, buf, overlay);
        loggerButtonUp(*graph, *doc, false, b, buf);
        buildLoggerScene(*graph, *doc, view, false, buf, scene);
    }
    const int depth = graph->zoomLevel;
    ASSERT_EQ(depth, 6);
    const float W = graph->plotRight - graph->plotLeft, H = graph->plotBottom - graph->plotTop;
    int mismatches = 0;
    for (int i = 0; i < n; ++i) {
        for (int ch = 0; ch < kChannelCount; ++ch) {
            float x = graph->loggerX[0][i][ch], y = graph->loggerY[0][i][ch];
            for (int r = 0; r < depth; ++r) {
                x = graph->plotLeft +
                    (x - graph->zoomLoX[r]) * W / (graph->zoomHiX[r] - graph->zoomLoX[r]);
                y = graph->plotTop +
                    (y - graph->zoomLoY[r]) * H / (graph->zoomHiY[r] - graph->zoomLoY[r]);
            }
            mismatches += graph->loggerX[depth][i][ch] != x;
            mismatches += graph->loggerY[depth][i][ch] != y;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace kr5061

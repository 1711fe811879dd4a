#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "common/run_state.h"
#include "graph/graph_scene.h"
#include "graph/live_graph.h"
#include "graph/scene_raster.h"
#include "store/hyg_doc.h"

namespace kr5061::test {

// A graph with its document and view state, painted at a given client size
// (1600 x 900 by default: plot 294..1550 x 118..700, W 1256, H 582).
struct GraphRig {
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    std::unique_ptr<LiveGraph> graph = makeLiveGraph();
    std::unique_ptr<LiveState> state = std::make_unique<LiveState>();
    GraphScene scene;
    SceneInputs in;
    std::vector<Pixel> pixels;

    explicit GraphRig(int width = 1600, int height = 900) {
        resize(width, height);
        in.frameOriginY = 30;
        view().m_startTime = 1700000000;
        view().m_samplePeriodMs = 1000;
    }

    ViewState& view() { return state->view; }
    PlotGeometry geometry() const { return plotGeometry(in.viewClient); }
    void resize(int width, int height) { in.viewClient = rectAt(0, 0, width, height); }

    // Every channel at one value for samples 0..n-1, and n committed.
    void fill(int n, float value) {
        for (int ch = 0; ch < kChannelCount; ++ch) {
            for (int i = 0; i < n; ++i) {
                doc->m_live[ch][i] = value;
            }
        }
        view().m_sampleIndex = n;
    }

    PaintOutcome paint() { return paintGraph(*graph, view(), *doc, in, scene); }

    // Paints until the live scale has settled.
    void settle() {
        for (int i = 0; i < 20 && paint().invalidateAgain; ++i) {
        }
    }

    PixelBuffer render() {
        pixels.assign(static_cast<std::size_t>(in.viewClient.width()) * in.viewClient.height(), 0);
        const PixelBuffer buf{pixels.data(), in.viewClient.width(), in.viewClient.height(),
                              in.viewClient.width()};
        rasteriseScene(scene, Layer::Under, buf);
        rasteriseScene(scene, Layer::Over, buf);
        return buf;
    }

    const SceneText* findText(std::string_view text) const {
        for (int i = 0; i < scene.textCount(); ++i) {
            if (scene.text(i).view() == text) {
                return &scene.text(i);
            }
        }
        return nullptr;
    }

    // x of every dotted vertical line (y from H to 0) on the plot, in order.
    std::vector<float> verticalGrid() const {
        std::vector<float> xs;
        for (int i = 0; i < scene.opCount(Layer::Over); ++i) {
            const RasterOp& op = scene.op(Layer::Over, i);
            if (op.kind == OpKind::Line && op.surface == Surface::Plot &&
                op.style == LineStyle::Dotted && op.x0 == op.x1 && op.colour == kGridColour) {
                xs.push_back(op.x0);
            }
        }
        return xs;
    }

    int traceCount() const {
        int n = 0;
        for (int i = 0; i < scene.opCount(Layer::Over); ++i) {
            n += scene.op(Layer::Over, i).kind == OpKind::Trace;
        }
        return n;
    }
};

}  // namespace kr5061::test

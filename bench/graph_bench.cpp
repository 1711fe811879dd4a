// Paint cost of the real-time graph: scene built and drawn into a 1920 x 1080
// image for a full store of 10010 samples by five channels, live and zoomed.

#include <benchmark/benchmark.h>

#include <QImage>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "bench_data.h"
#include "common/run_state.h"
#include "graph/graph_scene.h"
#include "graph/live_graph.h"
#include "graph/scene_painter.h"
#include "graph/zoom_cursor.h"
#include "qcustomplot_yardstick.h"
#include "store/hyg_doc.h"

// Counts allocations made through operator new, to show that building and
// rasterising a scene allocates nothing.
namespace {
std::atomic<long> g_allocations{0};
}
// The same count for the other benchmarks of this program.
long benchAllocationCount() {
    return g_allocations.load();
}
void* operator new(std::size_t size) {
    ++g_allocations;
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

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

struct Bench {
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    std::unique_ptr<LiveGraph> graph = makeLiveGraph();
    std::unique_ptr<LiveState> state = std::make_unique<LiveState>();
    GraphScene scene;
    ScenePainter painter;
    SceneInputs in;

    Bench() {
        in.viewClient = rectAt(0, 0, kWidth, kHeight);
        in.frameOriginY = 30;
        fillBenchStore(doc->m_live, kSampleCapacity);
        ViewState& v = state->view;
        v.m_sampleIndex = kSampleCapacity;
        v.m_startTime = 1700000000;
        v.m_samplePeriodMs = 1000;
        // Let the live scale settle: a fresh run compresses until all samples fit.
        while (paint()) {
        }
    }

    bool paint() {
        const PaintOutcome o = paintGraph(*graph, state->view, *doc, in, scene);
        painter.paint(scene);
        return o.invalidateAgain;
    }

    // Zooms level by level into the middle of the plot, as the mouse would.
    void zoomTo(int levels) {
        const PlotGeometry g = plotGeometry(in.viewClient);
        const GraphPoint a{g.x0 + g.width * 4 / 100, g.y0 + g.height * 2 / 100};
        const GraphPoint b{g.x0 + g.width * 96 / 100, g.y0 + g.height * 98 / 100};
        for (int l = 0; l < levels; ++l) {
            zoomPress(*graph, state->view, g, a);
            zoomMove(*graph, state->view, *doc, g, b);
            const ReleaseOutcome r = zoomRelease(*graph, state->view, g, b);
            if (!r.zoomedIn) {
                std::abort();  // the stack must reach the level asked for
            }
            paint();
        }
    }

    // A new reading on every channel in the last sample, as each sample of a
    // live run brings one; two values in turn, so every paint sees a change.
    void nextReading() {
        flip = !flip;
        for (int ch = 0; ch < kChannelCount; ++ch) {
            doc->m_live[ch][kSampleCapacity - 1] =
                benchReading(ch, kSampleCapacity - 1) + (flip ? 7.5f : 0.0f);
        }
    }
    bool flip = false;
};

// Every paint follows a new reading. A full paint also finds its image
// touched since the last one (as after a rubber band), so nothing of the last
// paint is reused.
void run(benchmark::State& st, Bench& b, bool full = false) {
    long coreAllocations = 0;
    for (auto _ : st) {
        b.nextReading();
        if (full) {
            b.painter.strokePixels();
        }
        const long before = g_allocations.load();
        paintGraph(*b.graph, b.state->view, *b.doc, b.in, b.scene);
        coreAllocations += g_allocations.load() - before;
        b.painter.paint(b.scene);  // raster layers and texts
        benchmark::DoNotOptimize(b.painter.image().constBits());
    }
    st.counters["core_allocs_per_paint"] =
        benchmark::Counter(static_cast<double>(coreAllocations) / st.iterations());
}

void GraphLivePaint(benchmark::State& st) {
    Bench b;
    run(st, b);
}
BENCHMARK(GraphLivePaint)->Unit(benchmark::kMillisecond);

void GraphFullPaint(benchmark::State& st) {
    Bench b;
    run(st, b, true);
}
BENCHMARK(GraphFullPaint)->Unit(benchmark::kMillisecond);

void GraphZoomPaint(benchmark::State& st) {
    Bench b;
    b.zoomTo(static_cast<int>(st.range(0)));
    run(st, b);
}
BENCHMARK(GraphZoomPaint)->Arg(1)->Arg(10)->Arg(99)->Unit(benchmark::kMillisecond);

// Our live paint and QCustomPlot's render in turn.
void GraphLiveVsQCustomPlot(benchmark::State& st) {
    Bench b;
    timeAgainstQcp(st, [&b] {
        b.nextReading();
        paintGraph(*b.graph, b.state->view, *b.doc, b.in, b.scene);
        b.painter.paint(b.scene);
        benchmark::DoNotOptimize(b.painter.image().constBits());
    });
}
BENCHMARK(GraphLiveVsQCustomPlot)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kr5061

// Paint cost of the logger graph: scene built and drawn into a 1920 x 1080
// image for a set of 10010 records, in full view and 99 zoom levels deep.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QString>
#include <cmath>
#include <memory>

#include "common/run_state.h"
#include "logger/logger_graph.h"
#include "logger/logger_scene.h"
#include "logger/logger_text_painter.h"
#include "logger/logger_zoom.h"
#include "qcustomplot_yardstick.h"
#include "store/hyg_doc.h"

namespace kr5061 {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

struct LoggerBench {
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    std::unique_ptr<LoggerGraph> graph = makeLoggerGraph();
    ViewState view;
    LoggerScene scene, overlay;
    QImage image{kWidth, kHeight, QImage::Format_RGB32};
    QString scratch;

    LoggerBench() {
        doc->m_recallCount = kSampleCapacity;
        doc->m_recallPeriod = 1;
        doc->m_recallTag = 1765000000;
        doc->m_recallUnit = "C";
        for (int i = 0; i < kSampleCapacity; ++i) {
            const float t = static_cast<float>(i);
            doc->m_recall[i][kAir] = 22.0f + 6.0f * std::sin(t * 0.003f);
            doc->m_recall[i][kWetBulb] = 16.0f + 4.0f * std::sin(t * 0.004f);
            doc->m_recall[i][kDewPoint] = 11.0f + 3.0f * std::cos(t * 0.002f);
            doc->m_recall[i][kSurface] = 30.0f + 10.0f * std::sin(t * 0.01f);
            doc->m_recall[i][kHumidity] = 55.0f + 20.0f * std::cos(t * 0.0015f);
        }
        view.m_loggerGain = 10;
        view.m_loggerOffset = 0;
        paint();
    }
    PixelBuffer buffer() {
        return {reinterpret_cast<Pixel*>(image.bits()), image.width(), image.height(),
                static_cast<int>(image.bytesPerLine() / 4)};
    }
    void paint() {
        buildLoggerScene(*graph, *doc, view, false, buffer(), scene);
        drawLoggerTexts(image, scene, scratch);
    }
    // One rubber band a little inside the plot per level, as a user would drag it.
    void zoomTo(int depth) {
        const int left = static_cast<int>(graph->plotLeft), top = static_cast<int>(graph->plotTop);
        const int right = static_cast<int>(graph->plotRight);
        const int bottom = static_cast<int>(graph->plotBottom);
        for (int l = 0; l < depth; ++l) {
            const LoggerPoint a{left + 40, top + 12}, b{right - 40, bottom - 12};
            loggerButtonDown(*graph, a);
            loggerMouseMove(*graph, *doc, false, b, buffer(), overlay);
            loggerButtonUp(*graph, *doc, false, b, buffer());
            paint();
        }
    }
};

void LoggerLivePaint(benchmark::State& state) {
    LoggerBench b;
    for (auto _ : state) {
        b.paint();
        benchmark::DoNotOptimize(b.image.constBits());
    }
}
BENCHMARK(LoggerLivePaint)->Unit(benchmark::kMillisecond);

void LoggerZoomPaint(benchmark::State& state) {
    LoggerBench b;
    b.zoomTo(static_cast<int>(state.range(0)));
    if (b.graph->zoomLevel != state.range(0)) {
        state.SkipWithError("zoom stack did not reach the requested level");
        return;
    }
    for (auto _ : state) {
        b.paint();
        benchmark::DoNotOptimize(b.image.constBits());
    }
}
BENCHMARK(LoggerZoomPaint)->Arg(99)->Unit(benchmark::kMillisecond);

// As GraphLiveVsQCustomPlot, for the logger's full view.
void LoggerLiveVsQCustomPlot(benchmark::State& state) {
    LoggerBench b;
    timeAgainstQcp(state, [&b] {
        b.paint();
        benchmark::DoNotOptimize(b.image.constBits());
    });
}
BENCHMARK(LoggerLiveVsQCustomPlot)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kr5061

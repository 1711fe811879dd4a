// Repaint cost of the psychrometric chart at 1920 x 1080: the whole chart
// (scenes built, every curve, label and the live overlay drawn) and the
// repaint a new reading causes (cached background copied, overlay drawn).

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <vector>

#include "psychro/chart_painter.h"
#include "psychro/chart_scene.h"
#include "psychro/moist_air.h"

namespace kr5061::psychro {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

struct ChartBench {
    ChartPainter painter;
    ChartBackgroundInputs background;
    ChartOverlayInputs overlay;
    std::vector<ChartFocus> trail;
    ChartScene bg, over;
    QImage image{kWidth, kHeight, QImage::Format_ARGB32_Premultiplied};

    ChartBench() {
        background.width = kWidth;
        background.height = kHeight;
        background.fonts = painter.fonts().sizes();
        // A run drifting through a room: a full trail, the surface near the dew point.
        for (int i = 0; i < kTrailLength; ++i) {
            const auto s = fromRelativeHumidity(22.0 + 0.05 * i, 45.0 + 0.1 * i, 101.325);
            trail.push_back({s.air->dryBulbC, s.air->humidityRatio});
        }
        const auto now = fromRelativeHumidity(25.0, 50.0, 101.325);
        overlay.state = ChartFocus{now.air->dryBulbC, now.air->humidityRatio};
        overlay.dewPointC = now.air->dewPointC;
        overlay.surfaceC = 15.5;
        overlay.trail = trail;
        overlay.fonts = background.fonts;
    }
};

void ChartFullRepaint(benchmark::State& st) {
    ChartBench b;
    for (auto _ : st) {
        buildChartBackground(b.background, b.bg);
        buildChartOverlay(b.bg, b.overlay, b.over);
        b.image.fill(QColor::fromRgb(inkColour(ChartInk::paper)));
        QPainter p(&b.image);
        b.painter.paint(p, b.bg);
        b.painter.paint(p, b.over);
        p.end();
        benchmark::DoNotOptimize(b.image.constBits());
    }
}
BENCHMARK(ChartFullRepaint)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

void ChartLiveRepaint(benchmark::State& st) {
    ChartBench b;
    buildChartBackground(b.background, b.bg);
    QImage cache = b.image.copy();
    {
        QPainter p(&cache);
        b.painter.paint(p, b.bg);
    }
    for (auto _ : st) {
        QPainter p(&b.image);
        p.drawImage(0, 0, cache);
        buildChartOverlay(b.bg, b.overlay, b.over);
        b.painter.paint(p, b.over);
        p.end();
        benchmark::DoNotOptimize(b.image.constBits());
    }
}
BENCHMARK(ChartLiveRepaint)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

}  // namespace
}  // namespace kr5061::psychro

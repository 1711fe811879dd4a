// The yardstick: QCustomPlot 2.1 rendering the real-time benchmark's 5 x 10010
// samples at the same 1920 x 1080 into an image of the same format, adaptive
// sampling on. Lines are left unantialiased, like the one-pixel segments of
// our own paint. Only this benchmark links QCustomPlot; the program never does.

#include <benchmark/benchmark.h>
#include <qcustomplot.h>

#include <QImage>
#include <QVector>

#include "bench_data.h"
#include "graph/graph_scene.h"

namespace kr5061 {
namespace {

QColor toColour(Pixel p) {
    return QColor::fromRgb(static_cast<QRgb>(p));
}

void QCustomPlotAdaptivePaint(benchmark::State& st) {
    QCustomPlot plot;
    plot.resize(1920, 1080);
    plot.setNotAntialiasedElements(QCP::aeAll);
    plot.axisRect()->setBackground(Qt::black);
    QVector<double> keys(kSampleCapacity);
    for (int i = 0; i < kSampleCapacity; ++i) {
        keys[i] = i;
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        QVector<double> values(kSampleCapacity);
        for (int i = 0; i < kSampleCapacity; ++i) {
            values[i] = benchReading(ch, i);
        }
        QCPGraph* g = plot.addGraph();
        g->setPen(QPen(toColour(kTraceColour[ch])));
        g->setAdaptiveSampling(true);
        g->setData(keys, values, true);
    }
    plot.xAxis->setRange(0, kSampleCapacity - 1);
    plot.yAxis->setRange(0, 100);
    plot.xAxis->grid()->setPen(QPen(toColour(kGridColour), 0, Qt::DotLine));
    plot.yAxis->grid()->setPen(QPen(toColour(kGridColour), 0, Qt::DotLine));
    QImage image(1920, 1080, QImage::Format_RGB32);
    for (auto _ : st) {
        QCPPainter painter(&image);
        plot.toPainter(&painter, image.width(), image.height());
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(QCustomPlotAdaptivePaint)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kr5061

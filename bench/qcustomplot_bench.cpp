// The yardstick: QCustomPlot 2.1 rendering the real-time benchmark's samples
// at the same size into an image of the same format. Only the benchmark links
// QCustomPlot; the program never does.

#include <benchmark/benchmark.h>
#include <qcustomplot.h>

#include <QVector>
#include <ctime>

#include "bench_data.h"
#include "graph/graph_scene.h"
#include "qcustomplot_yardstick.h"

namespace kr5061 {

namespace {

QColor toColour(Pixel p) {
    return QColor::fromRgb(static_cast<QRgb>(p));
}

}  // namespace

QcpYardstick::QcpYardstick()
    : m_plot(std::make_unique<QCustomPlot>()), m_image(1920, 1080, QImage::Format_RGB32) {
    QCustomPlot& plot = *m_plot;
    plot.resize(m_image.size());
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
}

QcpYardstick::~QcpYardstick() = default;

void QcpYardstick::render() {
    QCPPainter painter(&m_image);
    m_plot->toPainter(&painter, m_image.width(), m_image.height());
}

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

namespace {

void QCustomPlotAdaptivePaint(benchmark::State& st) {
    QcpYardstick qcp;
    for (auto _ : st) {
        qcp.render();
        benchmark::DoNotOptimize(qcp.image().constBits());
    }
}
BENCHMARK(QCustomPlotAdaptivePaint)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kr5061

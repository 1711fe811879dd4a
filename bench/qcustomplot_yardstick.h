#pragma once

#include <benchmark/benchmark.h>

#include <QImage>
#include <memory>

class QCustomPlot;

namespace kr5061 {

// QCustomPlot 2.1 set up with the real-time benchmark's 5 x 10010 samples at
// 1920 x 1080, adaptive sampling on, lines unantialiased like our one-pixel
// segments. render() draws the whole plot into an RGB32 image.
class QcpYardstick {
public:
    QcpYardstick();
    ~QcpYardstick();
    void render();
    const QImage& image() const { return m_image; }

private:
    std::unique_ptr<QCustomPlot> m_plot;
    QImage m_image;
};

// CPU time of this thread in milliseconds, to time two paints side by side
// within one benchmark iteration.
double threadCpuMs();

// Our paint and QCustomPlot's render in turn, each timed on its own, so that
// load from other processes weighs on both alike; the counter live_over_qcp
// is their ratio of CPU time.
template <typename Paint>
void timeAgainstQcp(benchmark::State& st, Paint&& paintOurs) {
    QcpYardstick qcp;
    double ours = 0, theirs = 0;
    for (auto _ : st) {
        const double t0 = threadCpuMs();
        paintOurs();
        const double t1 = threadCpuMs();
        qcp.render();
        theirs += threadCpuMs() - t1;
        ours += t1 - t0;
    }
    st.counters["live_over_qcp"] = ours / theirs;
}

}  // namespace kr5061

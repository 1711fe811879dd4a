#pragma once

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

}  // namespace kr5061

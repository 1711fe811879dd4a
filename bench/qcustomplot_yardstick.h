#pragma once

#include <QImage>
#include <memory>

class QCustomPlot;

namespace kr5061 {

// How QCustomPlot draws its lines: unantialiased like our one-pixel segments
// (the strict comparison), or as the library does by default (antialiased
// graphs, as an application that only adds its data gets them).
enum class QcpLines { kUnantialiased, kLibraryDefault };

// QCustomPlot 2.1 set up with the real-time benchmark's 5 x 10010 samples at
// 1920 x 1080, adaptive sampling on. render() draws the whole plot into an
// RGB32 image.
class QcpYardstick {
public:
    explicit QcpYardstick(QcpLines lines = QcpLines::kUnantialiased);
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

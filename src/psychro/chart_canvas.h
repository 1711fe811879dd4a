#pragma once

#include <QImage>
#include <QWidget>
#include <vector>

#include "psychro/chart_painter.h"
#include "psychro/chart_scene.h"

namespace kr5061::psychro {

// The chart's drawing area. The background (grid, curves, labels) is drawn
// once into a cached image and redrawn only when the size, range, pressure
// or units change; the live overlay is drawn over it at every paint. The
// mouse wheel zooms about the pointer, a double click asks for the reset.
class ChartCanvas : public QWidget {
    Q_OBJECT
public:
    explicit ChartCanvas(QWidget* parent = nullptr);

    // What to draw. The trail is copied.
    void setChart(const ChartRange& range, double pressureKPa, Units units,
                  const ChartOverlayInputs& overlay);

    const ChartScene& background() const { return m_background; }
    const ChartScene& overlay() const { return m_overlay; }
    const ChartBackgroundInputs& backgroundInputs() const { return m_inputs; }
    const ChartOverlayInputs& overlayInputs() const { return m_overlayInputs; }

    // The picture exactly as the widget shows it, at its device pixel ratio.
    QImage picture();

signals:
    void zoomed(const kr5061::psychro::ChartRange& range);
    void zoomResetRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void render(QPainter& p);
    void rebuildBackground(qreal devicePixelRatio);

    ChartPainter m_painter;
    ChartBackgroundInputs m_inputs;
    ChartOverlayInputs m_overlayInputs;
    std::vector<ChartFocus> m_trail;
    ChartScene m_background, m_overlay;
    QImage m_cache;
    bool m_cacheValid = false;
};

}  // namespace kr5061::psychro

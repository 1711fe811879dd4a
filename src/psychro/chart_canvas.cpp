#include "psychro/chart_canvas.h"

#include <QPainter>
#include <QWheelEvent>

namespace kr5061::psychro {

namespace {

// One wheel step zooms in by a fifth, or out by a quarter.
constexpr double kZoomIn = 0.8, kZoomOut = 1.25;

bool sameRange(const ChartRange& a, const ChartRange& b) {
    return a.tMinC == b.tMinC && a.tMaxC == b.tMaxC && a.wMin == b.wMin && a.wMax == b.wMax;
}

}  // namespace

ChartCanvas::ChartCanvas(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(300, 220);
    m_inputs.fonts = m_painter.fonts().sizes();
}

void ChartCanvas::setChart(const ChartRange& range, double pressureKPa, Units units,
                           const ChartOverlayInputs& overlay) {
    if (!sameRange(range, m_inputs.range) || pressureKPa != m_inputs.pressureKPa ||
        units != m_inputs.units) {
        m_inputs.range = range;
        m_inputs.pressureKPa = pressureKPa;
        m_inputs.units = units;
        m_cacheValid = false;
    }
    m_trail.assign(overlay.trail.begin(), overlay.trail.end());
    m_overlayInputs = overlay;
    m_overlayInputs.trail = m_trail;
    m_overlayInputs.units = units;
    m_overlayInputs.fonts = m_inputs.fonts;
    update();
}

void ChartCanvas::rebuildBackground(qreal dpr) {
    m_inputs.width = width();
    m_inputs.height = height();
    buildChartBackground(m_inputs, m_background);
    m_cache = QImage(size() * dpr, QImage::Format_ARGB32_Premultiplied);
    m_cache.setDevicePixelRatio(dpr);
    m_cache.fill(QColor::fromRgb(inkColour(ChartInk::paper)));
    QPainter p(&m_cache);
    m_painter.paint(p, m_background);
    m_cacheValid = true;
}

void ChartCanvas::render(QPainter& p) {
    const qreal dpr = p.device()->devicePixelRatioF();
    if (!m_cacheValid || m_inputs.width != width() || m_inputs.height != height() ||
        m_cache.devicePixelRatio() != dpr) {
        rebuildBackground(dpr);
    }
    p.drawImage(QPointF(0, 0), m_cache);
    buildChartOverlay(m_background, m_overlayInputs, m_overlay);
    m_painter.paint(p, m_overlay);
}

void ChartCanvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    render(p);
}

QImage ChartCanvas::picture() {
    const qreal dpr = devicePixelRatioF();
    QImage image(size() * dpr, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(dpr);
    QPainter p(&image);
    render(p);
    return image;
}

void ChartCanvas::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0 || m_background.plot.width() <= 0) {
        return;
    }
    const QPointF at = event->position();
    const double t = m_background.tAt(static_cast<float>(at.x()));
    const double w = m_background.wAt(static_cast<float>(at.y()));
    emit zoomed(zoomRange(m_inputs.range, t, w, delta > 0 ? kZoomIn : kZoomOut));
    event->accept();
}

void ChartCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
    emit zoomResetRequested();
    event->accept();
}

}  // namespace kr5061::psychro

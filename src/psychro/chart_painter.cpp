#include "psychro/chart_painter.h"

#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QPolygonF>

namespace kr5061::psychro {

namespace {

QColor colourOf(ChartInk ink, float alpha = 1.0f) {
    QColor c = QColor::fromRgb(inkColour(ink));
    c.setAlphaF(alpha);
    return c;
}

Qt::PenStyle styleOf(ChartStroke stroke) {
    switch (stroke) {
        case ChartStroke::dashed:
            return Qt::DashLine;
        case ChartStroke::dotted:
            return Qt::DotLine;
        default:
            return Qt::SolidLine;
    }
}

QFont chartFont(int pixels, bool bold) {
    // Arial's metrics, through the face Debian installs for it.
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

// The rectangle a text of this alignment takes around its anchor.
QRectF textBox(const QFontMetricsF& fm, const QString& s, const ChartText& t, float x, float y) {
    const qreal w = fm.horizontalAdvance(s), h = fm.height();
    const qreal left = (t.align & kAlignRight) ? x - w : (t.align & kAlignHCentre) ? x - w / 2 : x;
    const qreal top = (t.align & kAlignBottom) ? y - h : (t.align & kAlignVCentre) ? y - h / 2 : y;
    return {left, top, w, h};
}

}  // namespace

ChartFonts::ChartFonts()
    : tick(chartFont(12, false)), label(chartFont(11, false)), title(chartFont(13, true)) {}

const QFont& ChartFonts::of(ChartFont role) const {
    switch (role) {
        case ChartFont::label:
            return label;
        case ChartFont::title:
            return title;
        default:
            return tick;
    }
}

ChartFontSizes ChartFonts::sizes() const {
    const QFontMetricsF t(tick), l(label), ti(title);
    const QString digits = QStringLiteral("0123456789");
    ChartFontSizes s;
    s.tickHeight = static_cast<float>(t.height());
    s.tickCharWidth = static_cast<float>(t.horizontalAdvance(digits) / digits.size());
    s.labelHeight = static_cast<float>(l.height());
    s.labelCharWidth = static_cast<float>(l.averageCharWidth());
    s.titleHeight = static_cast<float>(ti.height());
    return s;
}

void ChartPainter::paint(QPainter& p, const ChartScene& scene) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    for (const ChartBar& b : scene.bars) {
        p.fillRect(QRectF(b.left, b.top, b.right - b.left, b.bottom - b.top), colourOf(b.ink));
    }
    lines(p, scene);
    markers(p, scene);
    texts(p, scene);
    p.restore();
}

void ChartPainter::lines(QPainter& p, const ChartScene& scene) {
    p.setBrush(Qt::NoBrush);
    // On a pixel surface cosmetic pens take the raster engine's fast stroker
    // (the general one costs several times as much for the same picture); a
    // PDF or printer page keeps real widths that scale with the page.
    const bool raster =
        p.paintEngine() != nullptr && p.paintEngine()->type() == QPaintEngine::Raster;
    const qreal scale = raster ? p.device()->devicePixelRatioF() * p.worldTransform().m11() : 1.0;
    for (const ChartLine& l : scene.lines) {
        QPen pen(colourOf(l.ink, l.alpha), l.width * scale, styleOf(l.stroke), Qt::FlatCap,
                 Qt::RoundJoin);
        pen.setCosmetic(raster);
        // Grid and frame run along pixel rows and columns: no smoothing needed.
        p.setRenderHint(QPainter::Antialiasing,
                        l.ink != ChartInk::grid && l.ink != ChartInk::frame);
        p.setPen(pen);
        m_points.resize(l.count);
        for (int i = 0; i < l.count; ++i) {
            const ChartPoint& c = scene.points[static_cast<std::size_t>(l.first + i)];
            m_points[i] = QPointF(c.x, c.y);
        }
        p.drawPolyline(m_points.constData(), l.count);
    }
}

void ChartPainter::markers(QPainter& p, const ChartScene& scene) {
    for (const ChartMarker& m : scene.markers) {
        const QColor colour = colourOf(m.ink, m.alpha);
        const qreal r = m.size;
        switch (m.shape) {
            case MarkerShape::ring:
                // Hollow, so the curve under the state point stays visible.
                p.setPen(QPen(colour, 2.5));
                p.setBrush(Qt::NoBrush);
                p.drawEllipse(QPointF(m.x, m.y), r, r);
                break;
            case MarkerShape::dot:
                p.setPen(Qt::NoPen);
                p.setBrush(colour);
                p.drawEllipse(QPointF(m.x, m.y), r, r);
                break;
            case MarkerShape::triangleUp:
            case MarkerShape::diamond: {
                QPolygonF shape;
                if (m.shape == MarkerShape::triangleUp) {
                    shape << QPointF(m.x, m.y - r) << QPointF(m.x + r, m.y + r * 0.6)
                          << QPointF(m.x - r, m.y + r * 0.6);
                } else {
                    shape << QPointF(m.x, m.y - r) << QPointF(m.x + r, m.y) << QPointF(m.x, m.y + r)
                          << QPointF(m.x - r, m.y);
                }
                p.setPen(QPen(colourOf(ChartInk::text), 0.8));
                p.setBrush(colour);
                p.drawPolygon(shape);
                break;
            }
        }
    }
}

void ChartPainter::texts(QPainter& p, const ChartScene& scene) {
    const QFontMetricsF metrics[] = {QFontMetricsF(m_fonts.tick), QFontMetricsF(m_fonts.label),
                                     QFontMetricsF(m_fonts.title)};
    const QColor paper = colourOf(ChartInk::paper);
    int font = -1;
    for (const ChartText& t : scene.texts) {
        const int role = static_cast<int>(t.font);
        if (role != font) {
            p.setFont(m_fonts.of(t.font));
            font = role;
        }
        const QFontMetricsF& fm = metrics[role];
        const QString s = QString::fromUtf8(t.text.data(), static_cast<qsizetype>(t.text.size()));
        if (t.vertical) {
            p.save();
            p.translate(t.x, t.y);
            p.rotate(-90);
        }
        const QRectF box = t.vertical ? textBox(fm, s, t, 0, 0) : textBox(fm, s, t, t.x, t.y);
        if (t.halo) {
            p.fillRect(box.adjusted(-1, 0, 1, 0), paper);
        }
        p.setPen(colourOf(t.ink));
        p.drawText(QPointF(box.left(), box.top() + fm.ascent()), s);
        if (t.vertical) {
            p.restore();
        }
    }
}

void paintChartPage(QPainter& p, const QRect& pageRect, int resolution,
                    ChartBackgroundInputs background, const ChartOverlayInputs& overlay) {
    ChartPainter painter;
    const double scale = resolution / 96.0;
    background.width = static_cast<int>(pageRect.width() / scale);
    background.height = static_cast<int>(pageRect.height() / scale);
    background.fonts = painter.fonts().sizes();
    ChartScene bg, over;
    buildChartBackground(background, bg);
    ChartOverlayInputs o = overlay;
    o.fonts = background.fonts;
    buildChartOverlay(bg, o, over);
    p.save();
    p.translate(pageRect.topLeft());
    p.scale(scale, scale);
    p.fillRect(QRectF(0, 0, background.width, background.height), colourOf(ChartInk::paper));
    painter.paint(p, bg);
    painter.paint(p, over);
    p.restore();
}

}  // namespace kr5061::psychro

#pragma once

#include <QFont>
#include <QPointF>
#include <QRect>
#include <QVector>

#include "psychro/chart_scene.h"

class QPainter;
class QPaintDevice;

namespace kr5061::psychro {

// The chart's three fonts and the sizes the scene builders plan with.
struct ChartFonts {
    QFont tick, label, title;

    ChartFonts();
    const QFont& of(ChartFont role) const;
    ChartFontSizes sizes() const;
};

// Draws chart scenes with QPainter: antialiased vector strokes and texts, so
// the same drawing goes to the screen, a PDF page or a printer.
class ChartPainter {
public:
    void paint(QPainter& p, const ChartScene& scene);

    const ChartFonts& fonts() const { return m_fonts; }

private:
    void lines(QPainter& p, const ChartScene& scene);
    void markers(QPainter& p, const ChartScene& scene);
    void texts(QPainter& p, const ChartScene& scene);

    ChartFonts m_fonts;
    QVector<QPointF> m_points;  // kept between paints
};

// Builds both scenes for a page of `logicalSize` (96 per inch) and draws them
// on any device: `pageRect` is the printable area in device pixels at
// `resolution` dots per inch.
void paintChartPage(QPainter& p, const QRect& pageRect, int resolution,
                    ChartBackgroundInputs background, const ChartOverlayInputs& overlay);

}  // namespace kr5061::psychro

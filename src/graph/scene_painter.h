#pragma once

#include <QFont>
#include <QImage>
#include <QString>

#include "graph/graph_scene.h"
#include "graph/trace_redraw.h"

namespace kr5061 {

// Draws any graph scene into the RGB32 image it keeps, the size of the view:
// the raster layers go straight into the image's pixels through the core
// rasteriser, the texts on top with QPainter, layer by layer so that the
// bitmaps cover the frame's drawings exactly where they overlap. When the image
// is as the last paint left it and the new scene differs from that paint's only
// in its traces (every new sample of a live run), only the traces are drawn
// again. The image is written nowhere else: a stroke between paints takes its
// pixels from strokePixels(), which sends the next paint back to a full one.
class ScenePainter {
public:
    ScenePainter();

    // Paints the scene, the image resized to the scene's size first.
    void paint(const GraphScene& scene);
    const QImage& image() const { return m_image; }

    // The image's pixels for a stroke drawn between paints (cursor line,
    // rubber band), as the core sees them (no copy).
    PixelBuffer strokePixels();

    // The main frame's 10-point label font.
    const QFont& labelFont() const { return m_labelFont; }

private:
    PixelBuffer pixels();
    void drawTexts(const GraphScene& scene, Layer layer);
    const QString& textOf(int slot, const SceneText& text);

    QImage m_image;
    QFont m_labelFont;
    TraceRedraw m_redraw;
    // The image holds exactly what the last paint left.
    bool m_asPainted = false;
    QString m_texts[GraphScene::kTextCapacity];
};

}  // namespace kr5061

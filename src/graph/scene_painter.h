#pragma once

#include <QFont>
#include <QImage>
#include <QString>

#include "graph/graph_scene.h"
#include "graph/trace_redraw.h"

namespace kr5061 {

// Draws any graph scene into an RGB32 image the size of the view: the raster
// layers go straight into the image's pixels through the core rasteriser, the
// texts on top with QPainter, layer by layer so that the bitmaps cover the
// frame's drawings exactly where they overlap. When the image is as the last
// paint left it and the new scene differs from that paint's only in its traces
// (every new sample of a live run), only the traces are drawn again.
class ScenePainter {
public:
    ScenePainter();

    void paint(const GraphScene& scene, QImage& image);

    // The main frame's 10-point label font.
    const QFont& labelFont() const { return m_labelFont; }

    // The image's pixels as the core sees them (no copy).
    static PixelBuffer pixelsOf(QImage& image);

private:
    void drawTexts(const GraphScene& scene, Layer layer, QImage& image);
    const QString& textOf(int slot, const SceneText& text);

    QFont m_labelFont;
    TraceRedraw m_redraw;
    // The image's cache key right after the last paint: any change to its
    // pixels since (a rubber band, a cursor line) gives it another key.
    qint64 m_paintedKey = 0;
    QString m_texts[GraphScene::kTextCapacity];
};

}  // namespace kr5061

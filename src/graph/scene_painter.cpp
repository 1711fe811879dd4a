#include "graph/scene_painter.h"

#include <QFontMetrics>
#include <QPainter>

#include "panels/qt_convert.h"

namespace kr5061 {

namespace {

// Ten points on a 96 dpi screen.
constexpr int kLabelFontPixels = 13;

QColor toColour(Pixel p) {
    return QColor::fromRgb(p);
}

}  // namespace

ScenePainter::ScenePainter() {
    m_labelFont.setFamily(QStringLiteral("SimSun"));
    m_labelFont.setPixelSize(kLabelFontPixels);
    for (QString& s : m_texts) {
        s.reserve(kSceneTextCapacity);
    }
}

PixelBuffer ScenePainter::pixelsOf(QImage& image) {
    return {reinterpret_cast<Pixel*>(image.bits()), image.width(), image.height(),
            static_cast<int>(image.bytesPerLine() / 4)};
}

void ScenePainter::paint(const GraphScene& scene, QImage& image) {
    const bool untouched = m_paintedKey != 0 && image.cacheKey() == m_paintedKey;
    if (untouched && m_redraw.canRedraw(scene, image.width(), image.height())) {
        m_redraw.redraw(scene, pixelsOf(image));
    } else {
        const PixelBuffer buf = pixelsOf(image);
        m_redraw.begin(scene, buf);
        m_redraw.rasterise(scene, Layer::Under, buf);
        drawTexts(scene, Layer::Under, image);
        m_redraw.rasterise(scene, Layer::Over, buf);
        drawTexts(scene, Layer::Over, image);
    }
    m_paintedKey = image.cacheKey();
}

// Rewrites the slot's string in place: its capacity was reserved once.
const QString& ScenePainter::textOf(int slot, const SceneText& text) {
    QString& s = m_texts[slot];
    s.resize(text.length);
    QChar* out = s.data();
    for (int i = 0; i < text.length; ++i) {
        out[i] = QLatin1Char(text.text[i]);
    }
    return s;
}

void ScenePainter::drawTexts(const GraphScene& scene, Layer layer, QImage& image) {
    bool any = false;
    for (int i = 0; i < scene.textCount() && !any; ++i) {
        any = layerOf(scene.text(i).surface) == layer;
    }
    if (!any) {
        return;
    }
    QPainter p(&image);
    p.setFont(m_labelFont);
    const QFontMetrics fm(m_labelFont);
    for (int i = 0; i < scene.textCount(); ++i) {
        const SceneText& t = scene.text(i);
        if (layerOf(t.surface) != layer) {
            continue;
        }
        const SurfacePlace& s = scene.surface[static_cast<int>(t.surface)];
        p.setClipRect(toQRect(s.clip));
        const QString& str = textOf(i, t);
        const int x = s.originX + t.x, y = s.originY + t.y;
        if (t.opaque) {
            p.fillRect(QRect(x, y, fm.horizontalAdvance(str), fm.height()), toColour(t.background));
        }
        p.setPen(toColour(t.colour));
        p.drawText(QPoint(x, y + fm.ascent()), str);
    }
}

}  // namespace kr5061

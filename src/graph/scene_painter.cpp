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

PixelBuffer ScenePainter::pixels() {
    return {reinterpret_cast<Pixel*>(m_image.bits()), m_image.width(), m_image.height(),
            static_cast<int>(m_image.bytesPerLine() / 4)};
}

PixelBuffer ScenePainter::strokePixels() {
    m_asPainted = false;
    return pixels();
}

void ScenePainter::paint(const GraphScene& scene) {
    const QSize size(scene.width, scene.height);
    if (m_image.size() != size) {
        m_image = size.isEmpty() ? QImage() : QImage(size, QImage::Format_RGB32);
        m_asPainted = false;
    }
    if (m_image.isNull()) {
        return;
    }
    const PixelBuffer buf = pixels();
    if (m_asPainted && m_redraw.canRedraw(scene, m_image.width(), m_image.height())) {
        m_redraw.redraw(scene, buf);
    } else {
        m_redraw.begin(scene, buf);
        m_redraw.rasterise(scene, Layer::Under, buf);
        drawTexts(scene, Layer::Under);
        m_redraw.rasterise(scene, Layer::Over, buf);
        drawTexts(scene, Layer::Over);
    }
    m_asPainted = true;
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

void ScenePainter::drawTexts(const GraphScene& scene, Layer layer) {
    bool any = false;
    for (int i = 0; i < scene.textCount() && !any; ++i) {
        any = layerOf(scene.text(i).surface) == layer;
    }
    if (!any) {
        return;
    }
    QPainter p(&m_image);
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

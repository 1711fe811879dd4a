#include "logger/logger_text_painter.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include "panels/ui_common.h"

namespace kr5061 {

void drawLoggerTexts(QImage& image, const LoggerScene& scene, QString& scratch) {
    if (scene.texts.empty()) {
        return;
    }
    static const QFont fontA = pixelFont(QStringLiteral("Arial"), 14, 100);
    static const QFont fontB = [] {
        QFont f = pixelFont(QStringLiteral("Arial"), 12, 100);
        f.setStretch(94);  // about 5 pixels a character
        return f;
    }();
    QPainter p(&image);
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(Qt::white);
    p.setPen(Qt::black);
    LoggerFont current = LoggerFont::B;
    p.setFont(fontB);
    int ascent = p.fontMetrics().ascent();
    for (const LoggerText& t : scene.texts) {
        if (t.font != current) {
            current = t.font;
            p.setFont(current == LoggerFont::A ? fontA : fontB);
            ascent = p.fontMetrics().ascent();
        }
        scratch.resize(static_cast<qsizetype>(t.text.size()));
        for (std::size_t i = 0; i < t.text.size(); ++i) {
            scratch[static_cast<qsizetype>(i)] = QLatin1Char(t.text[i]);
        }
        p.drawText(QPoint(t.x, t.y + ascent), scratch);
    }
}

}  // namespace kr5061

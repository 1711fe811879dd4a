#include "panels/meter_artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>
#include <QStringList>

#include "panels/key_table.h"
#include "panels/meter_display.h"

namespace kr5061 {

namespace {

const QColor kBackground(217, 218, 212);
const QColor kHousingLight(66, 71, 80);
const QColor kHousingDark(38, 41, 48);
const QColor kFaceplate(88, 95, 108);
const QColor kBezel(22, 24, 28);
const QColor kBrand(178, 32, 38);

QFont artFont(int pixelSize, bool bold) {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setStyleHint(QFont::SansSerif);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

void drawHousing(QPainter& p) {
    const QRectF body(12.5, 8.5, 195, 607);
    QLinearGradient shade(body.topLeft(), body.topRight());
    shade.setColorAt(0.0, kHousingDark);
    shade.setColorAt(0.15, kHousingLight);
    shade.setColorAt(0.85, kHousingLight);
    shade.setColorAt(1.0, kHousingDark);
    p.setPen(QPen(QColor(20, 22, 26), 1));
    p.setBrush(shade);
    p.drawRoundedRect(body, 28, 28);
    // A thin rim light along the upper edge makes the housing read as moulded.
    p.setPen(QPen(QColor(110, 116, 128), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(body.adjusted(2, 2, -2, -2), 26, 26);
}

void drawGrille(QPainter& p, int x0) {
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
        p.setBrush(QColor(18, 20, 24));
        p.drawRoundedRect(QRectF(x0 + i * 7, 30, 3.5, 44), 1.5, 1.5);
        p.setBrush(QColor(96, 102, 114));
        p.drawRect(QRectF(x0 + i * 7 + 3.5, 31, 1, 42));
    }
}

void drawSensorHead(QPainter& p) {
    drawGrille(p, 30);
    drawGrille(p, 164);
    // Infrared lens: metal ring, dark glass, one reflection.
    const QPointF c(110, 52);
    QRadialGradient ring(c, 24);
    ring.setColorAt(0.75, QColor(170, 172, 178));
    ring.setColorAt(1.0, QColor(90, 92, 98));
    p.setPen(QPen(QColor(30, 30, 34), 1));
    p.setBrush(ring);
    p.drawEllipse(c, 24, 24);
    QRadialGradient glass(c + QPointF(-5, -6), 20);
    glass.setColorAt(0.0, QColor(70, 60, 90));
    glass.setColorAt(1.0, QColor(12, 12, 20));
    p.setBrush(glass);
    p.drawEllipse(c, 16, 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 110));
    p.drawEllipse(QPointF(104, 45), 5, 3);
    p.setPen(QColor(190, 194, 202));
    p.setFont(artFont(7, false));
    p.drawText(QRectF(80, 78, 60, 10), Qt::AlignCenter, QStringLiteral("IR  D:S 12:1"));
}

void drawBrand(QPainter& p) {
    const QRectF strip(26, 94, 168, 30);
    p.setPen(QPen(QColor(90, 14, 18), 1));
    p.setBrush(kBrand);
    p.drawRoundedRect(strip, 6, 6);
    p.setPen(Qt::white);
    QFont f = artFont(22, true);
    f.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    p.setFont(f);
    p.drawText(strip, Qt::AlignCenter, QStringLiteral("KR5061"));
    p.setPen(QColor(200, 204, 212));
    p.setFont(artFont(8, true));
    p.drawText(QRectF(20, 128, 180, 12), Qt::AlignCenter,
               QStringLiteral("PSYCHROMETER + IR THERMOMETER"));
}

void drawFaceplate(QPainter& p) {
    p.setPen(QPen(QColor(40, 44, 52), 1));
    QLinearGradient face(QPointF(0, 150), QPointF(0, 600));
    face.setColorAt(0.0, kFaceplate.lighter(108));
    face.setColorAt(1.0, kFaceplate.darker(112));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(30.5, 150.5, 159, 450), 14, 14);
    // Display bezel and the window itself.
    p.setBrush(kBezel);
    p.drawRoundedRect(QRectF(42.5, 185.5, 135, 170), 8, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(kLcdColour.r, kLcdColour.g, kLcdColour.b));
    p.drawRect(kLcdX, kLcdY, kLcdWidth, kLcdHeight);
    p.setPen(QColor(170, 176, 188));
    p.setFont(artFont(7, false));
    p.drawText(QRectF(42, 170, 136, 12), Qt::AlignCenter,
               QStringLiteral("AIR / WB / DP  %RH  SURFACE"));
}

// The key's label, split at '/' onto two lines when one line does not fit.
QStringList labelLines(const QString& label, const QFontMetrics& fm, int width) {
    if (fm.horizontalAdvance(label) <= width || !label.contains(QLatin1Char('/'))) {
        return {label};
    }
    return label.split(QLatin1Char('/'));
}

void drawPowerSymbol(QPainter& p, const QRectF& cap) {
    const QPointF c = cap.center();
    p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const QRectF arc(c.x() - 4.5, c.y() - 4, 9, 9);
    p.drawArc(arc, 120 * 16, 300 * 16);
    p.drawLine(QPointF(c.x(), c.y() - 6), QPointF(c.x(), c.y() - 0.5));
}

void drawKeyCap(QPainter& p, const MeterKey& key) {
    const QRectF cap =
        QRectF(key.x, key.y, key.width(), key.height()).adjusted(3.5, 3.5, -3.5, -4.5);
    QColor top(226, 228, 232), bottom(172, 176, 184);
    if (key.id == 1047) {  // the infrared trigger key stands out in yellow
        top = QColor(250, 214, 80);
        bottom = QColor(212, 160, 30);
    } else if (key.id == 1045) {
        top = QColor(214, 70, 62);
        bottom = QColor(150, 30, 28);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 22, 26, 150));
    p.drawRoundedRect(cap.translated(0, 1.5), 5, 5);
    QLinearGradient g(cap.topLeft(), cap.bottomLeft());
    g.setColorAt(0.0, top);
    g.setColorAt(1.0, bottom);
    p.setPen(QPen(QColor(50, 52, 58), 1));
    p.setBrush(g);
    p.drawRoundedRect(cap, 5, 5);
    if (key.id == 1045) {
        drawPowerSymbol(p, cap);
        return;
    }
    const QFont f = artFont(7, true);
    p.setFont(f);
    p.setPen(QColor(28, 28, 34));
    const QStringList lines = labelLines(QString::fromUtf8(key.label), QFontMetrics(f),
                                         static_cast<int>(cap.width()) - 4);
    p.drawText(cap, Qt::AlignCenter, lines.join(QLatin1Char('\n')));
}

void drawSocket(QPainter& p) {
    p.setPen(QPen(QColor(20, 22, 26), 1));
    p.setBrush(QColor(200, 170, 60));
    p.drawRoundedRect(QRectF(88.5, 603.5, 43, 9), 2, 2);
    p.setBrush(QColor(20, 22, 26));
    p.drawRect(QRectF(97.5, 606.5, 7, 3));
    p.drawRect(QRectF(115.5, 606.5, 5, 3));
}

}  // namespace

QImage meterFrontImage() {
    QImage img(kMeterImageWidth, kMeterImageHeight, QImage::Format_RGB888);
    img.fill(kBackground);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    drawHousing(p);
    drawSensorHead(p);
    drawBrand(p);
    drawFaceplate(p);
    for (const MeterKey& key : kMeterKeys) {
        drawKeyCap(p, key);
    }
    drawSocket(p);
    return img;
}

QImage meterKeyImage(const QImage& front, const MeterKey& key) {
    return front.copy(key.x, key.y, key.imageWidth, key.imageHeight);
}

QCursor meterKeyCursor() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath hand;
    hand.addRoundedRect(QRectF(9.5, 1.5, 6, 17), 3, 3);        // index finger
    hand.addRoundedRect(QRectF(15.5, 10.5, 5, 10), 2.5, 2.5);  // folded fingers
    hand.addRoundedRect(QRectF(19.5, 11.5, 5, 10), 2.5, 2.5);
    hand.addRoundedRect(QRectF(23.5, 13.5, 4.5, 9), 2.2, 2.2);
    hand.addRoundedRect(QRectF(9.5, 14.5, 18.5, 15), 5, 5);   // palm
    hand.addRoundedRect(QRectF(3.5, 15.5, 10, 5), 2.5, 2.5);  // thumb
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(Qt::white);
    p.drawPath(hand.simplified());
    p.drawLine(QPointF(15.5, 14.5), QPointF(15.5, 18.5));
    p.drawLine(QPointF(19.5, 15), QPointF(19.5, 19));
    p.drawLine(QPointF(23.5, 16), QPointF(23.5, 20));
    p.end();
    return QCursor(pm, 12, 1);  // hot spot at the fingertip
}

}  // namespace kr5061

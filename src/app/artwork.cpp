#include "app/artwork.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kr5061 {

namespace {

constexpr int kIconW = 20, kIconH = 18;

void drawSave(QPainter& p) {
    p.setBrush(QColor(40, 70, 150));
    p.drawRect(3, 2, 14, 14);
    p.setBrush(Qt::white);
    p.drawRect(6, 2, 8, 5);
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(5, 10, 10, 6);
}

void drawOpen(QPainter& p) {
    p.setBrush(QColor(230, 190, 80));
    p.drawRect(2, 5, 15, 10);
    p.drawRect(2, 3, 6, 2);
    p.setBrush(QColor(250, 220, 120));
    QPolygon flap;
    flap << QPoint(5, 8) << QPoint(19, 8) << QPoint(16, 15) << QPoint(2, 15);
    p.drawPolygon(flap);
}

void drawStart(QPainter& p) {
    p.setBrush(QColor(30, 160, 60));
    QPolygon tri;
    tri << QPoint(6, 3) << QPoint(16, 9) << QPoint(6, 15);
    p.drawPolygon(tri);
}

void drawStop(QPainter& p) {
    p.setBrush(QColor(200, 30, 30));
    p.drawRect(5, 4, 10, 10);
}

void drawPrint(QPainter& p) {
    p.setBrush(Qt::white);
    p.drawRect(6, 2, 8, 6);
    p.setBrush(QColor(150, 150, 150));
    p.drawRect(2, 7, 16, 7);
    p.setBrush(Qt::white);
    p.drawRect(6, 11, 8, 5);
}

void drawUndoZoom(QPainter& p) {
    p.setBrush(QColor(220, 235, 250));
    p.drawEllipse(2, 2, 11, 11);
    p.drawLine(5, 7, 10, 7);
    p.setPen(QPen(QColor(90, 60, 30), 3));
    p.drawLine(12, 12, 17, 16);
}

void drawHelp(QPainter& p) {
    p.setBrush(QColor(40, 90, 200));
    p.drawEllipse(3, 1, 15, 15);
    p.setPen(Qt::white);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(13);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(3, 1, 15, 15), Qt::AlignCenter, QStringLiteral("?"));
}

}  // namespace

QIcon toolbarIcon(ToolbarIcon which) {
    QPixmap pm(kIconW, kIconH);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    switch (which) {
        case ToolbarIcon::save: drawSave(p); break;
        case ToolbarIcon::open: drawOpen(p); break;
        case ToolbarIcon::start: drawStart(p); break;
        case ToolbarIcon::stop: drawStop(p); break;
        case ToolbarIcon::print: drawPrint(p); break;
        case ToolbarIcon::undoZoom: drawUndoZoom(p); break;
        case ToolbarIcon::help: drawHelp(p); break;
    }
    p.end();
    return QIcon(pm);
}

QIcon programIcon() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 30, 30), 1));
    p.setBrush(QColor(230, 120, 30));
    p.drawRoundedRect(7, 1, 18, 30, 4, 4);
    p.setBrush(QColor(168, 191, 163));
    p.drawRect(10, 5, 12, 10);
    p.setBrush(QColor(60, 60, 60));
    for (int row = 0; row < 2; ++row) {
        for (int col = 0; col < 3; ++col) {
            p.drawEllipse(10 + col * 4, 19 + row * 5, 3, 3);
        }
    }
    p.end();
    return QIcon(pm);
}

}  // namespace kr5061

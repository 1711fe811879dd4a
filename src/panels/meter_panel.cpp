#include "panels/meter_panel.h"

#include <QKeyEvent>
#include <QPainter>

namespace kr5061 {

CMeterPanel::CMeterPanel(LiveState& state, QWidget* parent) : QWidget(parent), m_state(state) {
    resize(kTemplateWidth, kTemplateHeight);
}

void CMeterPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(217, 218, 212));
    const QColor window = m_state.meter.m_backlight ? QColor(175, 238, 238) : QColor(168, 191, 163);
    p.fillRect(QRect(51, 196, 116, 151), window);
    if (m_state.view.m_offline) {
        p.setPen(QColor(255, 0, 0));
        p.drawText(QRect(51, 196, 116, 151), Qt::AlignCenter, QStringLiteral("OFFLINE"));
        return;
    }
    p.setPen(Qt::black);
    const MeterState& m = m_state.meter;
    p.drawText(QRect(51, 200, 112, 20), Qt::AlignRight,
               QString::fromStdString(m.m_lcdValue1 + " " + m.m_lcdUnit));
    p.drawText(QRect(51, 225, 112, 20), Qt::AlignRight,
               QString::fromStdString(m.m_lcdValue2 + " %RH"));
    p.drawText(QRect(51, 260, 112, 40), Qt::AlignRight,
               QString::fromStdString(m.m_lcdValue3 + " " + m.m_lcdUnit));
}

void CMeterPanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace kr5061

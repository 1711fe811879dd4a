#include "panels/readout_bar.h"

#include <QKeyEvent>
#include <QPainter>

#include "panels/setup_rules.h"

namespace kr5061 {

CReadoutBar::CReadoutBar(LiveState& state, QWidget* parent) : QWidget(parent), m_state(state) {
    resize(kTemplateWidth, kTemplateHeight);
    loadLimitSettings(m_state.readout);
}

void CReadoutBar::refresh() { update(); }

void CReadoutBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(240, 240, 240));
}

void CReadoutBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace kr5061

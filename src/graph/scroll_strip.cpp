#include "graph/scroll_strip.h"

#include <QScrollBar>

namespace kr5061 {

CScrollStrip::CScrollStrip(QWidget* parent)
    : QWidget(parent), m_bar(new QScrollBar(Qt::Horizontal, this)) {
    m_bar->setObjectName(QStringLiteral("1089"));
    m_bar->setEnabled(false);
    resize(600, 25);
}

void CScrollStrip::resizeEvent(QResizeEvent*) { m_bar->setGeometry(rect()); }

}  // namespace kr5061

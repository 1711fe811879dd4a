#include "panels/up_down.h"

#include <QKeyEvent>
#include <QToolButton>

namespace kr5061 {

CUpDown::CUpDown(QWidget* parent)
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {m_up, m_down}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
    }
    connect(m_up, &QToolButton::clicked, this, [this] { emit stepped(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { emit stepped(-1); });
}

void CUpDown::attachArrowKeys(QWidget* field) {
    if (m_field != nullptr) {
        m_field->removeEventFilter(this);
    }
    m_field = field;
    field->installEventFilter(this);
}

bool CUpDown::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            emit stepped(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CUpDown::resizeEvent(QResizeEvent*) {
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
}

}  // namespace kr5061

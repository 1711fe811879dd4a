#include "panels/key_button.h"

#include <QMouseEvent>
#include <QPainter>

namespace kr5061 {

CKeyButton::CKeyButton(const MeterKey& key, const QImage& image, const QCursor& cursor,
                       QWidget* parent)
    : QAbstractButton(parent), m_key(key), m_image(image), m_pressCursor(cursor) {
    setObjectName(QString::number(key.id));
    setText(QString::fromUtf8(key.caption));
    setGeometry(key.x, key.y, key.width(), key.height());
    // The key cursor shows while the key is down, as the key's own drawing of
    // its pressed state sets it; the pointer over a key at rest is the usual one.
    connect(this, &QAbstractButton::pressed, this, [this] { setCursor(m_pressCursor); });
    connect(this, &QAbstractButton::released, this, [this] { unsetCursor(); });
    // A picture of a key: no focus frame, no keyboard presses behind the user's back.
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CKeyButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // The image is larger than the button; it is cut, never scaled.
    p.drawImage(0, 0, m_image);
}

void CKeyButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second click goes down like any press (and sends its press frame) ...
    QAbstractButton::mouseDoubleClickEvent(event);
    // ... and a double-click code, where the key has one, comes on top.
    if (event->button() == Qt::LeftButton) {
        emit doubleClicked();
    }
}

}  // namespace kr5061

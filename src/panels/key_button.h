#pragma once

#include <QAbstractButton>
#include <QCursor>
#include <QImage>

#include "panels/key_table.h"

namespace kr5061 {

// One key over the meter picture: its image at its own pixel position, the
// same image in every state (the real key gives no visible travel). pressed()
// fires whenever the key goes down, also when the held pointer comes back onto it.
class CKeyButton : public QAbstractButton {
    Q_OBJECT
public:
    CKeyButton(const MeterKey& key, const QImage& image, const QCursor& cursor,
               QWidget* parent = nullptr);

    const MeterKey& key() const { return m_key; }

signals:
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    const MeterKey& m_key;
    QImage m_image;
    QCursor m_pressCursor;
};

}  // namespace kr5061

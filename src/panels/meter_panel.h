#pragma once

#include <QWidget>

#include "link/link_state.h"

namespace kr5061 {

// The picture of the instrument's front at the left edge, mirroring its display.
class CMeterPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTemplateWidth = 113 * 2, kTemplateHeight = 318 * 2;

    CMeterPanel(LiveState& state, QWidget* parent = nullptr);

    // The part repainted after every accepted frame.
    static QRect displayRect() { return QRect(52, 194, 166 - 52, 345 - 194); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    LiveState& m_state;
};

}  // namespace kr5061

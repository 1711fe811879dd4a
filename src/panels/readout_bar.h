#pragma once

#include <QWidget>

#include "link/link_state.h"

namespace kr5061 {

// The channel readout and alarm bar below the graph: running extremes, alarm
// indicators and the editable alarm limits of the five channels.
class CReadoutBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTemplateWidth = 431 * 2, kTemplateHeight = 73 * 2;

    CReadoutBar(LiveState& state, QWidget* parent = nullptr);

    // Pushes the texts into the fields after a frame was evaluated.
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    LiveState& m_state;
};

}  // namespace kr5061

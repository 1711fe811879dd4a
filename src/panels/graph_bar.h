#pragma once

#include <QLineEdit>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "common/run_state.h"
#include "panels/graph_bar_layout.h"

class QPushButton;

namespace kr5061 {

// The strip above the graph: trace buttons, the value-axis setup, the run's
// start time, count, period and limit, the supply state and a clock.
class CGraphBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTemplateWidth = kGraphBarWidth, kTemplateHeight = kGraphBarHeight;

    CGraphBar(LiveState& state, QWidget* parent = nullptr);

    // Rewrites the fields from the texts.
    void refresh();

    std::string m_clockText;

    QLineEdit* field(int id) const;
    QPushButton* button(int id) const;

signals:
    // Traces or the value axis changed: all views redraw.
    void viewsNotified();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void tickClock();
    void showTraces(int only);  // -1: all five
    void setupAxis();

    LiveState& m_state;
    QTimer m_clock;
};

}  // namespace kr5061

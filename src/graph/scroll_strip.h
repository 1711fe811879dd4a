#pragma once

#include <QWidget>

class QScrollBar;

namespace kr5061 {

// The strip under the graph holding the zoom-mode scroll bar (created disabled).
class CScrollStrip : public QWidget {
    Q_OBJECT
public:
    explicit CScrollStrip(QWidget* parent = nullptr);
    QScrollBar* scrollBar() const { return m_bar; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QScrollBar* m_bar;
};

}  // namespace kr5061

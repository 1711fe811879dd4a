#pragma once

#include <QWidget>

class QToolButton;

namespace kr5061 {

// A pair of up/down arrows beside an edit field. It reports steps; the dialog
// decides what a step does to its field.
class CUpDown : public QWidget {
    Q_OBJECT
public:
    explicit CUpDown(QWidget* parent = nullptr);

    // The Up and Down arrow keys in `field` step this control as its arrows do.
    void attachArrowKeys(QWidget* field);

    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

signals:
    void stepped(int delta);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QToolButton* m_up;
    QToolButton* m_down;
    QWidget* m_field = nullptr;
};

}  // namespace kr5061

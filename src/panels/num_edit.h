#pragma once

#include <QLineEdit>

namespace kr5061 {

// A single-line edit that lets only the characters of a decimal number through
// from the keyboard. Keys that type no character (arrows, Delete, Home, End)
// keep working; text set by the program or pasted from the context menu is not
// filtered.
class CNumEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CNumEdit(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace kr5061

#pragma once

#include <QString>

class QWidget;

namespace kr5061 {

enum class Answer { kYes, kNo, kNone };

// Asks `text` with Yes and No only, titled like every box of the program.
// Escape and the window's close button do nothing, as on the original
// platform, so a key pressed in passing never answers a question that decides
// about a run. kNone only when the box was closed by the program itself (it
// is ending on a signal).
Answer askYesNoOnly(QWidget* parent, const QString& text);

// A warning the user must see but that must not stop the program meanwhile
// (a run goes on recording): shown without waiting, deleted when closed.
void showWarningLater(QWidget* parent, const QString& text);

}  // namespace kr5061

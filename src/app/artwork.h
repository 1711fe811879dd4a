#pragma once

#include <QIcon>

namespace kr5061 {

enum class ToolbarIcon { save, open, start, stop, print, undoZoom, help };

// Our own toolbar images, drawn at start-up.
QIcon toolbarIcon(ToolbarIcon which);

// The program icon: a handheld meter with its display.
QIcon programIcon();

}  // namespace kr5061

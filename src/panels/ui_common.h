#pragma once

#include <QFont>
#include <QMessageBox>
#include <QRect>
#include <QString>

class QEvent;
class QWidget;

namespace kr5061 {

// Dialog layouts are given in dialog units; one unit is two pixels on both axes.
constexpr int du(int units) { return units * 2; }
inline QRect duRect(int x, int y, int w, int h) { return QRect(du(x), du(y), du(w), du(h)); }

// A modal frame with a system menu: title and close button, no minimise or maximise.
inline constexpr Qt::WindowFlags kModalFrameFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowCloseButtonHint;

// The application title that captions every message box.
inline const QString kAppTitle = QStringLiteral("KR5061");

void showMessage(QWidget* parent, const QString& text);

// The one Escape/Enter rule of the panels and the logger window: those keys
// would close a dialog or press its default button, so they are swallowed.
// True (the event accepted) for such a key press; anything else is left alone.
bool swallowDialogKey(QEvent* event);
bool askYesNo(QWidget* parent, const QString& text);

// A font by face name with its character height in pixels and a 100..900
// weight, taken to the nearest weight the resolved family has a face for.
QFont pixelFont(const QString& face, int pixelHeight, int weight);

// `weight` moved to the nearest face of the family `font` resolves to.
QFont::Weight availableWeight(const QFont& font, int weight);

// The face to ask for in place of `face`. A face the platform lacks ("black
// ROMAN") would land on fontconfig's default family, whose thin face a weight
// of 100 then picks; the original platform substitutes Arial, and so do we.
QString substituteFace(const QString& face);

}  // namespace kr5061

#pragma once

#include <QFont>
#include <QMessageBox>
#include <QRect>
#include <QString>

class QEvent;
class QLineEdit;
class QWidget;

namespace kr5061 {

// Dialog layouts are given in dialog units; one unit is two pixels on both axes.
constexpr int du(int units) {
    return units * 2;
}
inline QRect duRect(int x, int y, int w, int h) {
    return QRect(du(x), du(y), du(w), du(h));
}

// A modal frame with a system menu: title and close button, no minimise or maximise.
inline constexpr Qt::WindowFlags kModalFrameFlags = Qt::Dialog | Qt::CustomizeWindowHint |
                                                    Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                                    Qt::WindowCloseButtonHint;

// The application title that captions every message box.
inline const QString kAppTitle = QStringLiteral("KR5061");

void showMessage(QWidget* parent, const QString& text);

// The one Escape/Enter rule of the panels and the logger window: those keys
// would close a dialog or press its default button, so they are swallowed.
// True (the event accepted) for such a key press; anything else is left alone.
bool swallowDialogKey(QEvent* event);
bool askYesNo(QWidget* parent, const QString& text);

// The one font builder of the windows: a font by face name with its
// character height in pixels and a 100..900 weight, taken to the nearest
// weight the resolved family has a face for. An average character width in
// pixels (0: the face's own) is reached with a horizontal stretch.
QFont pixelFont(const QString& face, int pixelHeight, int weight, int averageWidth = 0,
                QFont::StyleHint hint = QFont::SansSerif);

// Sets the field's text only when it differs, so a refresh leaves the caret
// and selection of a field the user is working in alone.
void setTextIfChanged(QLineEdit* field, const QString& text);

// `weight` moved to the nearest face of the family `font` resolves to.
QFont::Weight availableWeight(const QFont& font, int weight);

// The face to ask for in place of `face`. A face the platform lacks ("black
// ROMAN") would land on fontconfig's default family, whose thin face a weight
// of 100 then picks; the original platform substitutes Arial, and so do we.
QString substituteFace(const QString& face);

}  // namespace kr5061

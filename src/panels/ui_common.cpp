#include "panels/ui_common.h"

#include <QKeyEvent>

namespace kr5061 {

void showMessage(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, kAppTitle, text, QMessageBox::Ok);
}

bool swallowDialogKey(QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Escape && key != Qt::Key_Return && key != Qt::Key_Enter) {
        return false;
    }
    event->accept();
    return true;
}

bool askYesNo(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, kAppTitle, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

QFont pixelFont(const QString& face, int pixelHeight, int weight) {
    QFont font(face);
    font.setPixelSize(pixelHeight);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setStyleHint(QFont::SansSerif);
    return font;
}

}  // namespace kr5061

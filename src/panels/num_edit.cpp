#include "panels/num_edit.h"

#include <QKeyEvent>

#include "panels/limit_rules.h"

namespace kr5061 {

namespace {

// Keys whose event carries a control code although they type nothing.
bool isEditingKey(int key) {
    return key == Qt::Key_Delete;
}

bool typesOnlyNumberChars(const QKeyEvent& event) {
    for (const char32_t c : event.text().toUcs4()) {
        if (!numericCharAccepted(c)) {
            return false;
        }
    }
    return true;
}

}  // namespace

CNumEdit::CNumEdit(QWidget* parent) : QLineEdit(parent) {
    // Composed input would bypass the key filter; numbers need none.
    setAttribute(Qt::WA_InputMethodEnabled, false);
}

void CNumEdit::keyPressEvent(QKeyEvent* event) {
    // Ctrl combinations type control codes and are discarded with the rest.
    if (!event->text().isEmpty() && !isEditingKey(event->key()) && !typesOnlyNumberChars(*event)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

}  // namespace kr5061

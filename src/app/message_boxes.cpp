#include "app/message_boxes.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include "panels/ui_common.h"

namespace kr5061 {

namespace {

// QMessageBox makes No its escape button: Escape and closing would answer No.
class YesNoOnlyBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Cancel)) {
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }
};

}  // namespace

Answer askYesNoOnly(QWidget* parent, const QString& text) {
    YesNoOnlyBox box(QMessageBox::Question, kAppTitle, text, QMessageBox::Yes | QMessageBox::No,
                     parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.exec();
    QAbstractButton* chosen = box.clickedButton();
    if (chosen == box.button(QMessageBox::Yes)) {
        return Answer::kYes;
    }
    return chosen == box.button(QMessageBox::No) ? Answer::kNo : Answer::kNone;
}

void showWarningLater(QWidget* parent, const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Warning, kAppTitle, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

}  // namespace kr5061

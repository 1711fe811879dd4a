#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace kr5061::test {

// Runs `answer` on the next modal window of type T (a dialog or a message box)
// that opens, polling the event loop, so a test can drive code that calls exec().
template <typename T = QWidget>
void onNextModal(std::function<void(T*)> answer, int tries = 300) {
    QTimer::singleShot(10, [answer = std::move(answer), tries]() mutable {
        auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (modal != nullptr && modal->isVisible()) {
            answer(modal);
        } else if (tries > 0) {
            onNextModal<T>(std::move(answer), tries - 1);
        }
    });
}

// Answers the next file dialog with `name` typed into it and, when given, the
// name filter chosen.
inline void answerFileDialog(const QString& name, const QString& filter = QString()) {
    onNextModal<QFileDialog>([name, filter](QFileDialog* dlg) {
        if (!filter.isEmpty()) {
            dlg->selectNameFilter(filter);
        }
        dlg->selectFile(name);
        static_cast<QDialog*>(dlg)->accept();  // the dialog's own accept checks the name
    });
}

}  // namespace kr5061::test

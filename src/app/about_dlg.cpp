#include "app/about_dlg.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include "panels/ui_common.h"

namespace kr5061 {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent, kModalFrameFlags) {
    setWindowTitle(QStringLiteral("About KR5061"));
    setFixedSize(du(235), du(55));
    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    icon->setGeometry(duRect(11, 17, 20, 20));
    auto* text = new QLabel(QStringLiteral("Psychrometer + IR Thermometer V1.2"), this);
    text->setGeometry(duRect(40, 10, 119, 8));
    auto* license = new QLabel(QStringLiteral("Released under the MIT License."), this);
    license->setGeometry(duRect(40, 24, 119, 8));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(duRect(178, 7, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace kr5061

#include "app/com_port_dlg.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "panels/setup_rules.h"
#include "panels/ui_common.h"

namespace kr5061 {

CComPortDlg::CComPortDlg(QWidget* parent)
    : QDialog(parent, kModalFrameFlags), m_edit(new QLineEdit(this)) {
    setWindowTitle(QStringLiteral("COM Port Setup"));
    setFixedSize(du(140), du(55));
    const QFont font = pixelFont(QStringLiteral("Arial"), 15, 500);
    auto* group = new QGroupBox(QStringLiteral("Input integer number 5 to 16"), this);
    group->setGeometry(duRect(7, 4, 126, 28));
    auto* label = new QLabel(QStringLiteral("COM  No."), this);
    label->setGeometry(duRect(20, 15, 40, 10));
    label->setFont(font);
    m_edit->setGeometry(duRect(64, 14, 50, 12));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(duRect(50, 36, 40, 14));
    ok->setDefault(true);
    ok->setFont(font);
    connect(ok, &QPushButton::clicked, this, &CComPortDlg::accept);
}

void CComPortDlg::showEvent(QShowEvent* event) {
    m_edit->setText(QString::number(m_value));
    QDialog::showEvent(event);
}

void CComPortDlg::accept() {
    const auto value = parseDialogUnsigned(m_edit->text().toStdString());
    if (!value) {
        showMessage(this, QStringLiteral("Please enter a positive integer."));
        m_edit->setFocus();
        return;
    }
    m_value = *value;
    QDialog::accept();
}

}  // namespace kr5061

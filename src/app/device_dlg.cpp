#include "app/device_dlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "link/port_diagnosis.h"
#include "link/port_survey.h"

namespace kr5061 {

CDeviceDlg::CDeviceDlg(int port, const QString& current, QWidget* parent)
    : QDialog(parent), m_list(new QListWidget(this)), m_path(new QLineEdit(current, this)) {
    setWindowTitle(tr("Serial Device"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Serial devices present now:"), this));
    layout->addWidget(m_list);
    auto* form = new QFormLayout;
    form->addRow(tr("&Device for port %1:").arg(port), m_path);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* refresh = buttons->addButton(tr("&Refresh"), QDialogButtonBox::ActionRole);
    layout->addWidget(buttons);
    resize(560, 320);

    connect(refresh, &QPushButton::clicked, this, &CDeviceDlg::fillList);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Only a pick in the list changes the field, not the list taking the focus.
    connect(m_list, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (item != nullptr && m_list->hasFocus() &&
            !item->data(Qt::UserRole).toString().isEmpty()) {
            m_path->setText(item->data(Qt::UserRole).toString());
        }
    });
    connect(m_list, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        if (!item->data(Qt::UserRole).toString().isEmpty()) {
            accept();
        }
    });
    // OK needs a path; any path may be typed, a pseudo-terminal included.
    auto updateOk = [this, buttons] {
        buttons->button(QDialogButtonBox::Ok)->setEnabled(!device().isEmpty());
    };
    connect(m_path, &QLineEdit::textChanged, this, updateOk);
    updateOk();
    fillList();
    m_path->setFocus();
}

void CDeviceDlg::fillList() {
    m_list->clear();
    for (const SerialDeviceInfo& info : serialDeviceList()) {
        auto* item =
            new QListWidgetItem(QString::fromStdString(describeSerialDevice(info)), m_list);
        item->setData(Qt::UserRole, QString::fromStdString(info.path));
    }
    if (m_list->count() == 0) {
        auto* none = new QListWidgetItem(tr("No serial device is present now."), m_list);
        none->setFlags(Qt::NoItemFlags);
    }
}

}  // namespace kr5061

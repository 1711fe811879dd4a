#include "panels/yaxis_dlg.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "panels/setup_rules.h"
#include "panels/ui_common.h"

namespace kr5061 {

CYAxisDlg::CYAxisDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_offsetList(new QComboBox(this)),
      m_gainList(new QComboBox(this)) {
    setWindowTitle(QStringLiteral("Y OFFSET And Y GAINS Setup"));
    setFixedSize(du(140), du(54));
    const QFont font = pixelFont(QStringLiteral("Arial"), 13, 500);

    auto* group = new QGroupBox(QStringLiteral("Y OFFSET And Y GAINS "), this);
    group->setGeometry(duRect(7, 2, 126, 38));
    auto* offsetLabel = new QLabel(QStringLiteral("Y OFFSET(DIV)"), this);
    offsetLabel->setGeometry(duRect(13, 15, 49, 8));
    m_offsetList->setGeometry(duRect(13, 24, 50, 12));
    for (int offset : kOffsetChoices) {
        m_offsetList->addItem(QString::number(offset));
    }
    auto* gainLabel = new QLabel(QStringLiteral("Y GAINS/DIV"), this);
    gainLabel->setGeometry(duRect(78, 15, 42, 8));
    m_gainList->setGeometry(duRect(78, 24, 48, 12));
    for (int gain : kGainChoices) {
        m_gainList->addItem(QString::number(gain));
    }
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(duRect(55, 40, 27, 14));
    ok->setDefault(true);
    for (QWidget* w : {static_cast<QWidget*>(offsetLabel), static_cast<QWidget*>(gainLabel),
                       static_cast<QWidget*>(ok)}) {
        w->setFont(font);
    }
    connect(ok, &QPushButton::clicked, this, &CYAxisDlg::accept);
}

void CYAxisDlg::showEvent(QShowEvent* event) {
    m_offsetList->setCurrentIndex(m_offsetIndex);
    m_gainList->setCurrentIndex(m_gainIndex);
    QDialog::showEvent(event);
}

void CYAxisDlg::accept() {
    m_offsetIndex = m_offsetList->currentIndex();
    m_gainIndex = m_gainList->currentIndex();
    QDialog::accept();
}

}  // namespace kr5061

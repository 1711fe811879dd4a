#include "panels/sample_dlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "panels/setup_rules.h"
#include "panels/ui_common.h"
#include "panels/up_down.h"
#include "store/config.h"

namespace kr5061 {

CSampleDlg::CSampleDlg(QWidget* parent)
    : QDialog(parent, kModalFrameFlags),
      m_rateEdit(new QLineEdit(this)),
      m_dataEdit(new QLineEdit(this)),
      m_rateSpin(new CUpDown(this)),
      m_dataSpin(new CUpDown(this)) {
    setWindowTitle(QStringLiteral("Sample Rate And Sample Data "));
    setFixedSize(du(145), du(56));
    m_sampleRate = readSampleRateSeconds();
    m_sampleData = readSampleCount();

    const QFont font = pixelFont(QStringLiteral("Arial"), 15, 500);
    auto* rateLabel = new QLabel(QStringLiteral("Sample Rate"), this);
    rateLabel->setGeometry(duRect(15, 9, 44, 11));
    // A right-aligned spin attached to its field takes the field's right end.
    m_rateEdit->setGeometry(duRect(59, 7, 50 - 9, 13));
    m_rateSpin->setGeometry(duRect(59 + 50 - 9, 7, 9, 13));
    auto* secLabel = new QLabel(QStringLiteral("Sec"), this);
    secLabel->setGeometry(duRect(110, 10, 13, 9));
    auto* dataLabel = new QLabel(QStringLiteral("Sample Data"), this);
    dataLabel->setGeometry(duRect(15, 25, 44, 11));
    m_dataEdit->setGeometry(duRect(59, 23, 50 - 9, 13));
    m_dataEdit->setReadOnly(true);
    m_dataSpin->setGeometry(duRect(59 + 50 - 9, 23, 9, 13));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(duRect(55, 41, 39, 14));
    ok->setDefault(true);
    for (QWidget* w : {static_cast<QWidget*>(rateLabel), static_cast<QWidget*>(secLabel),
                       static_cast<QWidget*>(dataLabel), static_cast<QWidget*>(ok)}) {
        w->setFont(font);
    }
    connect(ok, &QPushButton::clicked, this, &CSampleDlg::accept);
    m_rateSpin->attachArrowKeys(m_rateEdit);
    m_dataSpin->attachArrowKeys(m_dataEdit);

    // The period spin writes its position into the field; the count spin moves
    // the read-only count in steps of 1000.
    connect(m_rateSpin, &CUpDown::stepped, this, [this](int delta) {
        const auto typed = parseDialogInt(m_rateEdit->text().toStdString());
        m_rateEdit->setText(QString::number(stepSamplePeriod(typed.value_or(kMinPeriodSpin), delta)));
    });
    connect(m_dataSpin, &CUpDown::stepped, this, [this](int delta) {
        if (readFields()) {
            m_sampleData = stepSampleData(m_sampleData, delta);
            writeFields();
        }
    });
}

void CSampleDlg::showEvent(QShowEvent* event) {
    writeFields();
    QDialog::showEvent(event);
}

void CSampleDlg::writeFields() {
    m_rateEdit->setText(QString::number(m_sampleRate));
    m_dataEdit->setText(QString::number(m_sampleData));
}

bool CSampleDlg::readFields() {
    const auto rate = parseDialogInt(m_rateEdit->text().toStdString());
    const auto data = parseDialogInt(m_dataEdit->text().toStdString());
    if (!rate || !data) {
        showMessage(this, QStringLiteral("Please enter an integer."));
        (rate ? m_dataEdit : m_rateEdit)->setFocus();
        return false;
    }
    m_sampleRate = *rate;
    m_sampleData = *data;
    return true;
}

void CSampleDlg::accept() {
    if (readFields()) {
        QDialog::accept();
    }
}

}  // namespace kr5061

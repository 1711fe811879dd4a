#include "psychro/chart_settings_dlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kr5061::psychro {

namespace {

QDoubleSpinBox* spin(double lo, double hi, int decimals, double value, const QString& suffix) {
    auto* box = new QDoubleSpinBox;
    box->setRange(lo, hi);
    box->setDecimals(decimals);
    box->setValue(value);
    box->setSuffix(suffix);
    // Numbers in the program's one notation, whatever the desktop's locale.
    box->setLocale(QLocale::c());
    return box;
}

}  // namespace

CChartSettingsDlg::CChartSettingsDlg(const PsychroSettings& s, QWidget* parent)
    : QDialog(parent), m_settings(s) {
    setWindowTitle(tr("Chart Settings"));
    m_byPressure = new QRadioButton(tr("Barometric pressure"));
    m_byAltitude = new QRadioButton(tr("Altitude (standard atmosphere)"));
    m_pressure = spin(kMinPressureKPa, kMaxPressureKPa, 3, s.pressureKPa, tr(" kPa"));
    m_altitude = spin(kMinAltitudeM, kMaxAltitudeM, 0, s.altitudeM, tr(" m"));
    m_altitudePressure = new QLabel;
    m_threshold = spin(0, kMaxThresholdK, 1, s.condensationThresholdK, tr(" K"));
    m_fixed = new QCheckBox(tr("Fixed axes (otherwise they follow the readings)"));
    m_fixed->setChecked(s.fixedAxes);
    m_axisMin = spin(kMinTemperatureC, kMaxTemperatureC, 1, s.axisMinC, tr(" \u00b0C"));
    m_axisMax = spin(kMinTemperatureC, kMaxTemperatureC, 1, s.axisMaxC, tr(" \u00b0C"));
    m_axisW = spin(0.1, kMaxAxisGPerKg, 1, s.axisMaxGPerKg, tr(" g/kg"));
    (s.useAltitude ? m_byAltitude : m_byPressure)->setChecked(true);

    auto* form = new QFormLayout;
    form->addRow(m_byPressure, m_pressure);
    form->addRow(m_byAltitude, m_altitude);
    form->addRow(QString(), m_altitudePressure);
    form->addRow(tr("Condensation risk below a margin of"), m_threshold);
    form->addRow(m_fixed);
    form->addRow(tr("Dry bulb from"), m_axisMin);
    form->addRow(tr("Dry bulb to"), m_axisMax);
    form->addRow(tr("Humidity ratio up to"), m_axisW);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        // A fixed range needs a lower end below the upper one.
        if (m_fixed->isChecked() && m_axisMax->value() - m_axisMin->value() < kMinAxisSpanC) {
            m_axisMax->setFocus();
            return;
        }
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    const auto follow = [this] {
        m_pressure->setEnabled(m_byPressure->isChecked());
        m_altitude->setEnabled(m_byAltitude->isChecked());
        for (QWidget* w : {static_cast<QWidget*>(m_axisMin), static_cast<QWidget*>(m_axisMax),
                           static_cast<QWidget*>(m_axisW)}) {
            w->setEnabled(m_fixed->isChecked());
        }
        updateAltitudePressure();
    };
    connect(m_byPressure, &QRadioButton::toggled, this, follow);
    connect(m_fixed, &QCheckBox::toggled, this, follow);
    connect(m_altitude, &QDoubleSpinBox::valueChanged, this,
            &CChartSettingsDlg::updateAltitudePressure);
    follow();
}

void CChartSettingsDlg::updateAltitudePressure() {
    m_altitudePressure->setText(
        tr("= %1 kPa").arg(pressureAtAltitudeKPa(m_altitude->value()), 0, 'f', 3));
}

PsychroSettings CChartSettingsDlg::result() const {
    PsychroSettings s = m_settings;
    s.useAltitude = m_byAltitude->isChecked();
    s.pressureKPa = m_pressure->value();
    s.altitudeM = m_altitude->value();
    s.condensationThresholdK = m_threshold->value();
    s.fixedAxes = m_fixed->isChecked();
    s.axisMinC = m_axisMin->value();
    s.axisMaxC = m_axisMax->value();
    s.axisMaxGPerKg = m_axisW->value();
    return s;
}

}  // namespace kr5061::psychro

#pragma once

#include <QDialog>

#include "psychro/psychro_settings.h"

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QRadioButton;

namespace kr5061::psychro {

// "Chart Settings": the barometric pressure (typed, or from an altitude), the
// condensation threshold and fixed axes. The spin boxes keep every value
// within what the formulas and the readers accept.
class CChartSettingsDlg : public QDialog {
    Q_OBJECT
public:
    CChartSettingsDlg(const PsychroSettings& settings, QWidget* parent);

    // The settings as the dialog shows them.
    PsychroSettings result() const;

    QRadioButton* altitudeButton() const { return m_byAltitude; }
    QDoubleSpinBox* pressureBox() const { return m_pressure; }
    QDoubleSpinBox* altitudeBox() const { return m_altitude; }
    QDoubleSpinBox* thresholdBox() const { return m_threshold; }

private:
    void updateAltitudePressure();

    PsychroSettings m_settings;
    QRadioButton* m_byPressure;
    QRadioButton* m_byAltitude;
    QDoubleSpinBox* m_pressure;
    QDoubleSpinBox* m_altitude;
    QLabel* m_altitudePressure;
    QDoubleSpinBox* m_threshold;
    QCheckBox* m_fixed;
    QDoubleSpinBox* m_axisMin;
    QDoubleSpinBox* m_axisMax;
    QDoubleSpinBox* m_axisW;
};

}  // namespace kr5061::psychro

#pragma once

#include <string_view>

#include "psychro/moist_air.h"

namespace kr5061::psychro {

// The [Psychrometrics] section of the settings file: the barometric pressure
// (typed in kPa, or from an altitude through the standard atmosphere), the
// condensation threshold, desktop notifications and the chart's axes.
inline constexpr std::string_view kSettingsSection = "Psychrometrics";

struct PsychroSettings {
    double pressureKPa = kStandardPressureKPa;
    double altitudeM = 0;
    bool useAltitude = false;
    double condensationThresholdK = 3.0;
    bool notifications = false;
    bool fixedAxes = false;  // else the axes follow the readings
    double axisMinC = -10, axisMaxC = 50, axisMaxGPerKg = 30;

    double pressureInUse() const {
        return useAltitude ? pressureAtAltitudeKPa(altitudeM) : pressureKPa;
    }
};

// Limits the readers and the settings dialog keep to.
inline constexpr double kMaxThresholdK = 50;
inline constexpr double kMinAxisSpanC = 2, kMaxAxisGPerKg = 1000;
// Altitudes whose standard pressure lies within the formulas' 50..120 kPa.
inline constexpr double kMinAltitudeM = -1400, kMaxAltitudeM = 5500;

// Each value that is missing, unreadable or outside its limits reads as its default.
PsychroSettings readPsychroSettings();

// Writes every key of the section; false if any write failed.
bool writePsychroSettings(const PsychroSettings& settings);

}  // namespace kr5061::psychro

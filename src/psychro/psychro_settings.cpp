#include "psychro/psychro_settings.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string>

#include "store/config.h"
#include "store/ini_file.h"
#include "store/number_text.h"

namespace kr5061::psychro {

namespace {

constexpr std::string_view kPressure = "Pressure kPa", kAltitude = "Altitude m",
                           kUseAltitude = "Use altitude", kThreshold = "Condensation threshold K",
                           kNotifications = "Notifications", kFixedAxes = "Fixed axes",
                           kAxisMin = "Axis min C", kAxisMax = "Axis max C",
                           kAxisMaxW = "Axis max g/kg";

std::optional<double> readNumber(std::string_view key) {
    const std::string text = readProfileString(configFilePath(), kSettingsSection, key, "");
    double value = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

double readWithin(std::string_view key, double lo, double hi, double fallback) {
    const auto v = readNumber(key);
    return v && *v >= lo && *v <= hi ? *v : fallback;
}

bool readFlag(std::string_view key, bool fallback) {
    const auto v = readNumber(key);
    return v ? *v != 0 : fallback;
}

}  // namespace

PsychroSettings readPsychroSettings() {
    PsychroSettings s;
    s.pressureKPa = readWithin(kPressure, kMinPressureKPa, kMaxPressureKPa, s.pressureKPa);
    s.altitudeM = readWithin(kAltitude, kMinAltitudeM, kMaxAltitudeM, s.altitudeM);
    s.useAltitude = readFlag(kUseAltitude, s.useAltitude);
    s.condensationThresholdK = readWithin(kThreshold, 0, kMaxThresholdK, s.condensationThresholdK);
    s.notifications = readFlag(kNotifications, s.notifications);
    s.fixedAxes = readFlag(kFixedAxes, s.fixedAxes);
    const double lo = readWithin(kAxisMin, kMinTemperatureC, kMaxTemperatureC, s.axisMinC);
    const double hi = readWithin(kAxisMax, kMinTemperatureC, kMaxTemperatureC, s.axisMaxC);
    if (hi - lo >= kMinAxisSpanC) {
        s.axisMinC = lo;
        s.axisMaxC = hi;
    }
    s.axisMaxGPerKg = readWithin(kAxisMaxW, 0.1, kMaxAxisGPerKg, s.axisMaxGPerKg);
    return s;
}

bool writePsychroSettings(const PsychroSettings& s) {
    const auto path = configFilePath();
    bool ok = true;
    const auto put = [&](std::string_view key, const std::string& value) {
        ok = writeProfileString(path, kSettingsSection, key, value) && ok;
    };
    put(kPressure, formatFixed(s.pressureKPa, 3));
    put(kAltitude, formatFixed(s.altitudeM, 0));
    put(kUseAltitude, s.useAltitude ? "1" : "0");
    put(kThreshold, formatFixed(s.condensationThresholdK, 1));
    put(kNotifications, s.notifications ? "1" : "0");
    put(kFixedAxes, s.fixedAxes ? "1" : "0");
    put(kAxisMin, formatFixed(s.axisMinC, 1));
    put(kAxisMax, formatFixed(s.axisMaxC, 1));
    put(kAxisMaxW, formatFixed(s.axisMaxGPerKg, 1));
    return ok;
}

}  // namespace kr5061::psychro

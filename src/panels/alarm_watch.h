#pragma once

#include <functional>

#include "common/channels.h"
#include "panels/alarm_events.h"
#include "panels/alarm_log.h"

namespace kr5061 {

// Turns the alarm evaluation into events: every change of a high or low
// alarm flag, and every start and end of condensation risk (the surface
// closer to the dew point of the air than the threshold), into the log or
// to whoever else takes the events (a publisher).
class AlarmWatch : public AlarmEventSink {
public:
    using Output = std::function<void(const AlarmEvent&)>;

    explicit AlarmWatch(AlarmLog& log) : m_out([&log](const AlarmEvent& e) { log.add(e); }) {}
    explicit AlarmWatch(Output out) : m_out(std::move(out)) {}

    // The barometric pressure the dew point is computed at, and the
    // condensation threshold in K.
    void setPressureKPa(double kPa) { m_pressureKPa = kPa; }
    void setThresholdK(double k) { m_thresholdK = k; }

    void readingEvaluated(const LiveState& state, const CHygDoc& doc, std::int64_t now) override;
    void alarmsCleared(std::int64_t now) override;

private:
    void record(std::int64_t now, int channel, AlarmKind kind, bool rise, float value, float limit,
                const char* unit, bool linkLost = false);
    void watchCondensation(const LiveState& state, const CHygDoc& doc, std::int64_t now);

    Output m_out;
    double m_pressureKPa = 101.325;
    double m_thresholdK = 3.0;
    bool m_high[kChannelCount] = {};
    bool m_low[kChannelCount] = {};
    float m_highLimit[kChannelCount] = {}, m_lowLimit[kChannelCount] = {};
    bool m_risk = false;
    float m_riskLimit = 0;
    char m_unit[4] = "C";
    bool m_fahrenheit = false;
};

}  // namespace kr5061

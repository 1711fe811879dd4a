#include "panels/alarm_watch.h"

#include <cmath>
#include <cstring>

#include "common/run_state.h"
#include "panels/extremes.h"
#include "psychro/quantities.h"
#include "store/hyg_doc.h"

namespace kr5061 {

void AlarmWatch::record(std::int64_t now, int channel, AlarmKind kind, bool rise, float value,
                        float limit, const char* unit, bool linkLost) {
    AlarmEvent e;
    e.time = now;
    e.channel = channel;
    e.kind = kind;
    e.rise = rise;
    e.linkLost = linkLost;
    e.value = value;
    e.limit = limit;
    std::strncpy(e.unit, unit, sizeof e.unit - 1);
    m_out(e);
}

void AlarmWatch::readingEvaluated(const LiveState& state, const CHygDoc& doc, std::int64_t now) {
    const int index = state.view.m_sampleIndex;
    m_fahrenheit = state.view.m_fahrenheit;
    std::strncpy(m_unit, m_fahrenheit ? "F" : "C", sizeof m_unit - 1);
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const float v = displayedReading(ch, doc.m_live[ch][index], m_fahrenheit);
        const char* unit = ch == kHumidity ? "%RH" : m_unit;
        const float hiLimit = state.readout.m_hiLimit[ch], loLimit = state.readout.m_loLimit[ch];
        if (state.frame.m_hiAlarm[ch] != m_high[ch]) {
            m_high[ch] = state.frame.m_hiAlarm[ch];
            record(now, ch, AlarmKind::high, m_high[ch], v, hiLimit, unit);
        }
        if (state.frame.m_loAlarm[ch] != m_low[ch]) {
            m_low[ch] = state.frame.m_loAlarm[ch];
            record(now, ch, AlarmKind::low, m_low[ch], v, loLimit, unit);
        }
        m_highLimit[ch] = hiLimit;
        m_lowLimit[ch] = loLimit;
    }
    watchCondensation(state, doc, now);
}

void AlarmWatch::watchCondensation(const LiveState& state, const CHygDoc& doc, std::int64_t now) {
    const int index = state.view.m_sampleIndex;
    const psychro::Outcome air = psychro::fromRelativeHumidity(
        doc.m_live[kAir][index], doc.m_live[kHumidity][index], m_pressureKPa);
    const psychro::Condensation c =
        psychro::condensationOf(psychro::surfaceOf(doc.m_live[kSurface][index]),
                                air.air ? air.air->dewPointC : std::nullopt, m_thresholdK);
    const bool risk = c.level == psychro::CondensationLevel::risk ||
                      c.level == psychro::CondensationLevel::condensation;
    if (risk == m_risk) {
        return;
    }
    m_risk = risk;
    // Margins are temperature differences: K, or degF when the instrument shows Fahrenheit.
    const double scale = m_fahrenheit ? 1.8 : 1.0;
    m_riskLimit = static_cast<float>(m_thresholdK * scale);
    const float value = c.marginK ? static_cast<float>(*c.marginK * scale) : NAN;
    record(now, kSurface, AlarmKind::condensationRisk, risk, value, m_riskLimit,
           m_fahrenheit ? "F" : "K");
}

void AlarmWatch::alarmsCleared(std::int64_t now) {
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const char* unit = ch == kHumidity ? "%RH" : m_unit;
        if (m_high[ch]) {
            m_high[ch] = false;
            record(now, ch, AlarmKind::high, false, NAN, m_highLimit[ch], unit, true);
        }
        if (m_low[ch]) {
            m_low[ch] = false;
            record(now, ch, AlarmKind::low, false, NAN, m_lowLimit[ch], unit, true);
        }
    }
    if (m_risk) {
        m_risk = false;
        record(now, kSurface, AlarmKind::condensationRisk, false, NAN, m_riskLimit,
               m_fahrenheit ? "F" : "K", true);
    }
}

}  // namespace kr5061

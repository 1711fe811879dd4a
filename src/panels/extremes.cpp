#include "panels/extremes.h"

#include "store/number_text.h"

namespace kr5061 {

float displayedReading(int channel, float stored, bool fahrenheit) {
    float v = stored;
    if (fahrenheit && channel != kHumidity) {
        v = toFahrenheit(v);
    }
    if (channel == kSurface) {
        v = cutToTenth(v);
    }
    return v;
}

namespace {

std::string extremeText(int channel, float value, const ViewState& view) {
    if (channel == kHumidity) {
        return formatFixed(value, 1) + " %RH";
    }
    const float shown = view.m_fahrenheit ? toFahrenheit(value) : value;
    return (channel == kSurface ? formatCutTenth(shown) : formatFixed(shown, 1)) + view.m_unitText;
}

}  // namespace

bool ApplyReading(LiveState& state, const CHygDoc& doc) {
    const int index = state.view.m_sampleIndex;
    RunningExtremes& ex = state.extremes;
    ReadoutState& bar = state.readout;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const float r = doc.m_live[ch][index];
        if (ex.g_maxReading[ch] <= r) {
            ex.g_maxReading[ch] = r;
        }
        if (ex.g_minReading[ch] >= r && r > -100.0f) {
            ex.g_minReading[ch] = r;
        }
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (ex.g_maxReading[ch] != kNoMaximum) {
            bar.m_maxText[ch] = extremeText(ch, ex.g_maxReading[ch], state.view);
        }
        if (ex.g_minReading[ch] != kNoMinimum) {
            bar.m_minText[ch] = extremeText(ch, ex.g_minReading[ch], state.view);
        }
    }
    bool changed = false;
    MainFrameState& frame = state.frame;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const float stored = doc.m_live[ch][index];
        const float v = displayedReading(ch, stored, state.view.m_fahrenheit);
        // No surface reading is no alarm, whatever limits the settings file holds.
        const bool absent = ch == kSurface && isAbsentSurface(stored);
        const bool hi = !absent && v >= bar.m_hiLimit[ch];
        const bool lo = !absent && v <= bar.m_loLimit[ch] && v > -200.0f;
        changed = changed || hi != frame.m_hiAlarm[ch] || lo != frame.m_loAlarm[ch];
        frame.m_hiAlarm[ch] = hi;
        frame.m_loAlarm[ch] = lo;
    }
    return changed;
}

}  // namespace kr5061

#include "app/run_control.h"

#include <algorithm>

#include "store/number_text.h"

namespace kr5061 {

SampleDialogValues sampleDialogValues(const LiveState& state, int configuredSeconds,
                                      int configuredCount) {
    SampleDialogValues v{configuredSeconds, configuredCount};
    if (state.frame.m_graphUsed == 0) {
        return v;
    }
    const ViewState& view = state.view;
    if (view.m_samplePeriodMs / 1000 >= 1) {
        v.seconds = view.m_samplePeriodMs / 1000;
    }
    if (view.m_sampleLimit >= kMinSampleCount && view.m_sampleLimit <= kMaxSampleCount) {
        v.count = view.m_sampleLimit;
    }
    return v;
}

void applyRun(LiveState& state, int seconds, int count) {
    // The period in milliseconds must fit an int; the limit must fit the store.
    const int period = std::clamp(seconds, 1, kMaxSampleRateSeconds);
    const int limit = std::clamp(count, 1, kMaxSampleCount);
    ViewState& view = state.view;
    view.m_samplePeriodMs = period * 1000;
    view.m_sampleLimit = limit;
    state.graphBar.m_rateText = formatInt(period);
    state.graphBar.m_limitText = formatInt(limit);
    if (view.m_runEnabled) {
        view.m_runEnabled = false;
        view.m_stopEnabled = true;
    }
    state.frame.m_startPending = true;
    state.frame.m_recording = true;
    state.frame.m_graphUsed = 1;
    view.m_runStarted = true;
}

void stopRun(LiveState& state) {
    state.frame.m_idle = true;
    state.frame.m_recording = false;
    state.view.m_plotting = false;
    state.view.m_stopEnabled = false;
}

ConfigSnapshot closingSnapshot(const LiveState& state) {
    ConfigSnapshot s;
    s.comPort = state.frame.m_comPort;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        s.hiText[ch] = state.readout.m_hiText[ch];
        s.loText[ch] = state.readout.m_loText[ch];
    }
    s.rateText = state.graphBar.m_rateText;
    s.limitText = state.graphBar.m_limitText;
    s.gain = state.view.m_gain;
    s.offset = state.view.m_offset;
    return s;
}

CommandEnabling commandEnabling(const ViewState& view, bool liveMode) {
    CommandEnabling e;
    e.start = view.m_runEnabled;
    e.stop = view.m_stopEnabled;
    e.save = view.m_sampleIndex != 0;
    e.print = e.save;
    e.undoZoom = !liveMode;
    e.open = !view.m_loggerOpen;
    return e;
}

}  // namespace kr5061

#include "link/link_ticks.h"

#include <ctime>

#include "store/config.h"
#include "store/number_text.h"

namespace kr5061 {

namespace {

void awaitOnly(MainFrameState& frame, int port) {
    for (bool& f : frame.m_awaitingData) {
        f = false;
    }
    frame.m_awaitingData[port] = true;
}

void unlockPortMenu(MainFrameState& frame) {
    for (bool& enable : frame.m_comEnable) {
        enable = true;
    }
    frame.m_otherComEnable = true;
}

}  // namespace

void initFrameState(MainFrameState& frame, int comPort) {
    frame.m_comPort = comPort;
    frame.m_startPending = false;
    frame.m_recording = false;
    frame.m_idle = true;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        frame.m_hiAlarm[ch] = false;
        frame.m_loAlarm[ch] = false;
    }
    for (int k = 0; k < kMenuPortCount; ++k) {
        frame.m_comRadio[k] = (k + 1 == comPort);
    }
    frame.m_graphUsed = 0;
    unlockPortMenu(frame);
    awaitOnly(frame, comPort);
    frame.m_frameReceived = false;
}

bool pollTick(MainFrameState& frame) {
    const bool send = frame.m_frameReceived;
    frame.m_frameReceived = false;
    return send;
}

bool watchdogTick(LiveState& state) {
    MainFrameState& frame = state.frame;
    ViewState& view = state.view;
    const bool silent = frame.m_awaitingData[frame.m_comPort];
    if (silent) {
        for (int ch = 0; ch < kChannelCount; ++ch) {
            frame.m_hiAlarm[ch] = false;
            frame.m_loAlarm[ch] = false;
        }
        view.m_offline = true;
        view.m_plotting = false;
        unlockPortMenu(frame);
        view.m_runEnabled = false;
        view.m_stopEnabled = false;
        frame.m_recording = false;
        frame.m_idle = true;
    }
    frame.m_awaitingData[frame.m_comPort] = true;
    return silent;
}

void selectMenuPort(MainFrameState& frame, int k) {
    frame.m_comPort = k;
    awaitOnly(frame, k);
    for (int i = 0; i < kMenuPortCount; ++i) {
        frame.m_comRadio[i] = (i + 1 == k);
    }
}

int otherComInitialValue(const MainFrameState& frame) {
    return frame.m_comPort >= 5 ? frame.m_comPort : 5;
}

bool selectOtherPort(MainFrameState& frame, int value) {
    if (value < 5 || value > kMaxComPort) {
        return false;
    }
    frame.m_comPort = value;
    awaitOnly(frame, value);
    for (bool& radio : frame.m_comRadio) {
        radio = false;
    }
    return true;
}

bool sampleTick(LiveState& state, CHygDoc& doc) {
    ViewState& view = state.view;
    // Until the run's first frame arrives, a reading left from before Run
    // belongs to no run: committing it would stamp it with the previous start.
    if (!state.frame.m_recording || state.frame.m_startPending) {
        return false;
    }
    if (!view.m_newFrame) {
        // Without the carry a period with no frame would commit nothing, and
        // every later sample would be stamped one period too early.
        const int i = view.m_sampleIndex;
        if (state.frame.m_idle || view.m_offline || i < 1 || i >= view.m_sampleLimit ||
            i >= kSampleCapacity) {
            return false;
        }
        for (auto& channel : doc.m_live.all()) {
            channel[i] = channel[i - 1];
        }
    }
    view.m_plotting = true;
    state.graphBar.m_startTimeText = formatDateTime(view.m_startTime);
    ++view.m_sampleIndex;
    state.graphBar.m_dataNoText = formatInt(view.m_sampleIndex);
    view.m_newFrame = false;
    return true;
}

}  // namespace kr5061

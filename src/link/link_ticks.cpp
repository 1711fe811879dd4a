#include "link/link_ticks.h"

#include <algorithm>
#include <cstdio>
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

void endSilentLink(LiveState& state) {
    MainFrameState& frame = state.frame;
    ViewState& view = state.view;
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

bool watchdogTick(LiveState& state, bool onTime) {
    MainFrameState& frame = state.frame;
    const bool silent = onTime && frame.m_awaitingData[frame.m_comPort];
    if (silent) {
        endSilentLink(state);
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

namespace {

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && a < 0 ? 1 : 0);
}

void copySlot(CHygDoc& doc, int from, int to) {
    for (auto& channel : doc.m_live.all()) {
        channel[to] = channel[from];
    }
}

// Ends the run as Stop does; what was committed stays.
void cutRun(LiveState& state) {
    state.frame.m_idle = true;
    state.frame.m_recording = false;
    state.view.m_stopEnabled = false;
}

}  // namespace

SampleTickResult sampleTick(LiveState& state, CHygDoc& doc, SampleClock& clock,
                            std::int64_t nowMs) {
    ViewState& view = state.view;
    // Until the run's first frame arrives, a reading left from before Run
    // belongs to no run: committing it would stamp it with the previous start.
    if (!state.frame.m_recording || state.frame.m_startPending) {
        return {};
    }
    const int first = view.m_sampleIndex;
    const int end = std::min(view.m_sampleLimit, kSampleCapacity);
    const std::int64_t period = std::max(view.m_samplePeriodMs, 1);
    if (first >= end || (first == 0 && !view.m_newFrame)) {
        return {};
    }
    if (first == 0 || clock.periodMs != period) {
        // Sample 0, or a new period while recording: this tick is on time by definition.
        clock.anchorMs = nowMs - first * period;
        clock.periodMs = static_cast<int>(period);
        clock.lastTickMs = nowMs - period;
    }
    // Half a period either way is timer jitter, not a missed tick.
    const int due = static_cast<int>(
        std::min<std::int64_t>(end, 1 + floorDiv(nowMs - clock.anchorMs + period / 2, period)));
    if (due <= first) {
        return {};
    }
    const std::int64_t sinceLastTick = nowMs - clock.lastTickMs;
    clock.lastTickMs = nowMs;
    // The new reading belongs to the first tick after it arrived.
    float pending[kChannelCount] = {};
    int frameSlot = -1;
    if (view.m_newFrame) {
        frameSlot = static_cast<int>(std::clamp<std::int64_t>(
            -floorDiv(clock.anchorMs - clock.frameMs, period), first, due - 1));
        for (int c = 0; c < kChannelCount; ++c) {
            pending[c] = doc.m_live[c][first];
        }
    }
    const bool linkLost = state.frame.m_idle || view.m_offline;
    int slot = first;
    for (; slot < due; ++slot) {
        if (slot == frameSlot) {
            for (int c = 0; c < kChannelCount; ++c) {
                doc.m_live[c][slot] = pending[c];
            }
            clock.readingMs = clock.frameMs;
            continue;
        }
        const std::int64_t at = slot == due - 1 ? nowMs : clock.anchorMs + slot * period;
        if (slot == 0 || linkLost || at - clock.readingMs >= kCarryLimitMs) {
            break;
        }
        copySlot(doc, slot - 1, slot);
    }
    SampleTickResult result;
    result.committed = slot - first;
    if (result.committed > 0) {
        view.m_plotting = true;
        state.graphBar.m_startTimeText = formatDateTime(view.m_startTime);
        view.m_sampleIndex = slot;
        state.graphBar.m_dataNoText = formatInt(slot);
    }
    if (frameSlot >= 0 && frameSlot < slot) {
        view.m_newFrame = false;
    }
    if (slot < due && !linkLost) {
        // A slot stays empty. Harmless while the instrument is merely quiet
        // (the watchdog decides about that); a hole once the program itself
        // stopped, or once a later reading would have to follow it.
        if (sinceLastTick > period + period / 2) {
            result.cut = RunCut::kProgramStopped;
            result.gapMs = sinceLastTick;
        } else if (frameSlot > slot) {
            result.cut = RunCut::kReadingsMissing;
            result.gapMs = clock.frameMs - clock.readingMs;
        }
        if (result.cut != RunCut::kNone) {
            cutRun(state);
        }
    }
    return result;
}

std::string runCutText(const SampleTickResult& tick, int samples) {
    const long seconds = static_cast<long>(tick.gapMs / 1000);
    char text[128];
    std::snprintf(text, sizeof text,
                  tick.cut == RunCut::kProgramStopped
                      ? "the program was stopped for %ld s; the run ended at sample %d"
                      : "no reading came for %ld s; the run ended at sample %d",
                  seconds, samples);
    return text;
}

}  // namespace kr5061

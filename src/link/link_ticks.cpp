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

// The slots one tick fills, first..due-1, and where the new reading goes.
struct DueSlots {
    int first = 0;
    int due = 0;         // one past the last slot due by now
    int frameSlot = -1;  // the new reading's slot; -1 without one
};

// Fills the due slots in order: the new reading into its own slot, the
// reading before carried into the others while it is younger than the carry
// limit. Returns the first slot left empty (`due` when none is).
int fillSlots(LiveState& state, CHygDoc& doc, SampleClock& clock, const DueSlots& d,
              std::int64_t nowMs, bool linkLost) {
    float pending[kChannelCount] = {};
    if (d.frameSlot >= 0) {
        for (int c = 0; c < kChannelCount; ++c) {
            pending[c] = doc.m_live[c][d.first];  // where the receive step put it
        }
    }
    int slot = d.first;
    for (; slot < d.due; ++slot) {
        if (slot == d.frameSlot) {
            for (int c = 0; c < kChannelCount; ++c) {
                doc.m_live[c][slot] = pending[c];
            }
            clock.readingMs = clock.frameMs;
            state.view.m_newFrame = false;
            continue;
        }
        const std::int64_t at =
            slot == d.due - 1 ? nowMs : clock.anchorMs + slot * std::int64_t{clock.periodMs};
        if (slot == 0 || linkLost || at - clock.readingMs >= kCarryLimitMs) {
            break;
        }
        copySlot(doc, slot - 1, slot);
    }
    return slot;
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
    DueSlots d;
    d.first = view.m_sampleIndex;
    const int end = std::min(view.m_sampleLimit, kSampleCapacity);
    const std::int64_t period = std::max(view.m_samplePeriodMs, 1);
    if (d.first >= end || (d.first == 0 && !view.m_newFrame)) {
        return {};
    }
    if (d.first == 0 || clock.periodMs != period) {
        // Sample 0, or a new period while recording: this tick is on time by definition.
        clock.anchorMs = nowMs - d.first * period;
        clock.periodMs = static_cast<int>(period);
        clock.lastTickMs = nowMs - period;
    }
    // Half a period either way is timer jitter, not a missed tick.
    d.due = static_cast<int>(
        std::min<std::int64_t>(end, 1 + floorDiv(nowMs - clock.anchorMs + period / 2, period)));
    if (d.due <= d.first) {
        return {};
    }
    const std::int64_t sinceLastTick = nowMs - clock.lastTickMs;
    clock.lastTickMs = nowMs;
    if (view.m_newFrame) {
        // The new reading belongs to the first tick after it arrived.
        d.frameSlot = static_cast<int>(std::clamp<std::int64_t>(
            -floorDiv(clock.anchorMs - clock.frameMs, period), d.first, d.due - 1));
    }
    const bool linkLost = state.frame.m_idle || view.m_offline;
    const int slot = fillSlots(state, doc, clock, d, nowMs, linkLost);
    SampleTickResult result;
    result.committed = slot - d.first;
    if (result.committed > 0) {
        view.m_plotting = true;
        state.graphBar.m_startTimeText = formatDateTime(view.m_startTime);
        view.m_sampleIndex = slot;
        state.graphBar.m_dataNoText = formatInt(slot);
    }
    if (slot < d.due && !linkLost) {
        // A slot stays empty. Harmless while the instrument is merely quiet
        // (the watchdog decides about that); a hole once the program itself
        // stopped, or once a later reading would have to follow it.
        if (sinceLastTick > period + period / 2) {
            result.cut = RunCut::kProgramStopped;
            result.gapMs = sinceLastTick;
        } else if (d.frameSlot > slot) {
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

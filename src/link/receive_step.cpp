#include "link/receive_step.h"

#include "panels/alarm_events.h"
#include "panels/extremes.h"
#include "store/number_text.h"

namespace kr5061 {

namespace {

constexpr std::uint8_t kBitA_Max = 0x01, kBitA_Min = 0x02, kBitA_Wb = 0x04, kBitA_Dp = 0x08,
                       kBitA_Hold = 0x10, kBitA_Rec = 0x20, kBitA_Supply = 0x40,
                       kBitA_PcLink = 0x80;
constexpr std::uint8_t kBitB_Max = 0x01, kBitB_Min = 0x02, kBitB_Hold = 0x04, kBitB_Rec = 0x08,
                       kBitB_TypeK = 0x10, kBitB_Fahrenheit = 0x20, kBitB_Backlight = 0x40,
                       kBitB_SurfaceHeld = 0x80;

constexpr float kIrCeiling = 505.0f, kIrFloor = -55.0f;
constexpr float kTypeKCeiling = 2501.0f, kTypeKFloor = -148.0f;

// Display value 3 is shown cut toward zero to one decimal, not rounded. The cut
// works on the decimal the instrument sent, so 49.1 (a float just below 49.1)
// still reads 49.1.
std::string thirdValueText(float value3) { return formatFixed(cutToTenth(value3), 1); }

void overrideThirdValue(std::string& text, float k, bool typeK) {
    if (k < kAbsentFrameReading) {
        text = "----";
    }
    if ((k == kIrCeiling && !typeK) || (k == kTypeKCeiling && typeK)) {
        text = "+OL";
    }
    if ((k == kIrFloor && !typeK) || (k == kTypeKFloor && typeK)) {
        text = "-OL";
    }
}

}  // namespace

void applyStatus(LiveState& state, std::uint8_t a, std::uint8_t b) {
    MeterState& m = state.meter;
    const bool fahrenheit = (b & kBitB_Fahrenheit) != 0;
    state.view.m_fahrenheit = fahrenheit;
    m.m_lcdUnit = fahrenheit ? "F" : "C";
    state.view.m_unitText = m.m_lcdUnit;

    m.m_annMaxMin1 = "   ";
    m.m_annMaxMin2 = "   ";
    m.m_annHold1 = "    ";
    m.m_annHold2 = "    ";
    m.m_annRec1 = "     ";
    m.m_annRec2 = "     ";
    m.m_annPcLink = "       ";
    m.m_annWbDp = "  ";

    if (a & kBitA_Max) m.m_annMaxMin1 = "MAX";
    if (a & kBitA_Min) m.m_annMaxMin1 = "     MIN";
    if (b & kBitB_Max) m.m_annMaxMin2 = "MAX";
    if (b & kBitB_Min) m.m_annMaxMin2 = "      MIN";
    if (b & kBitB_Hold) m.m_annHold2 = "HOLD";
    if (a & kBitA_Hold) m.m_annHold1 = "HOLD";
    if (a & kBitA_Rec) m.m_annRec1 = "REC";
    if (b & kBitB_Rec) m.m_annRec2 = "REC";
    if (a & kBitA_PcLink) m.m_annPcLink = "PC-LINK";
    if (a & kBitA_Wb) m.m_annWbDp = "WB";
    if (a & kBitA_Dp) m.m_annWbDp = "DP";

    const bool typeK = (b & kBitB_TypeK) != 0;
    m.m_annProbe = typeK ? "     TYPE-K" : "IRTEMP";
    if ((b & kBitB_SurfaceHeld) && !typeK) {
        m.m_annProbe = "            ";
    }
    m.m_backlight = (b & kBitB_Backlight) != 0;
    state.graphBar.m_batteryText = (a & kBitA_Supply) ? "Normal" : "Low";
}

float applySurfaceRules(SurfaceHandlerState& s, float k, std::uint8_t marker, std::uint8_t b) {
    const bool typeK = (b & kBitB_TypeK) != 0;
    const bool held = (b & kBitB_SurfaceHeld) != 0;
    const float ceiling = typeK ? kTypeKCeiling : kIrCeiling;
    const float floor = typeK ? kTypeKFloor : kIrFloor;
    if (marker == kRangeOver && (k > ceiling || (k < floor && k != kAbsentFrameReading))) {
        k = ceiling;
    }
    if (marker == kRangeUnder && k < floor && k != kAbsentFrameReading) {
        k = floor;
    }
    if (!held) {
        s.s_heldSurface = k;
    } else if (!typeK) {
        k = s.s_heldSurface;
    }
    if (k == kAbsentFrameReading) {
        k = kAbsentReading;
    }
    if (k != 0.0f) {
        s.s_lastNonZeroSurface = k;
    }
    if (typeK) {
        s.s_zeroFixCount = 0;
    } else if (s.s_zeroFixCount < 1 && s.s_lastNonZeroSurface != 0.0f) {
        // First infrared frame after the thermocouple: a 0.0 is the probe
        // switching over, not a reading.
        k = s.s_lastNonZeroSurface;
        ++s.s_zeroFixCount;
    }
    return k;
}

bool receiveLiveFrame(LiveState& state, CHygDoc& doc, const std::uint8_t* p, std::size_t size,
                      std::int64_t now, ReceiveOutcome& outcome) {
    if (!liveHeaderOk(p, size) || size < kLiveFrameSize) {
        return false;
    }
    // The sample limit keeps the index inside the store; never write past it.
    if (state.view.m_sampleIndex < 0 || state.view.m_sampleIndex >= kSampleCapacity) {
        return false;
    }
    MainFrameState& frame = state.frame;
    ViewState& view = state.view;
    frame.m_frameReceived = true;
    view.m_newFrame = true;
    view.m_offline = false;

    if (frame.m_startPending && frame.m_idle) {
        frame.m_startPending = false;
        frame.m_idle = false;
        view.m_startTime = now;
        view.m_sampleIndex = 0;
        view.m_runCounter2 = 0;
        outcome.notifyViews = true;
    }
    if (!frame.m_recording) {
        view.m_runEnabled = true;
    }
    for (bool& enable : frame.m_comEnable) {
        enable = false;
    }
    frame.m_awaitingData[frame.m_comPort] = false;
    frame.m_otherComEnable = false;

    const std::uint8_t b = p[kOffStatusB];
    applyStatus(state, p[kOffStatusA], b);

    const int i = view.m_sampleIndex;
    doc.m_live[kAir][i] = readFloatLE(p + kOffAir);
    doc.m_live[kWetBulb][i] = readFloatLE(p + kOffWetBulb);
    doc.m_live[kDewPoint][i] = readFloatLE(p + kOffDewPoint);
    const float k =
        applySurfaceRules(state.surface, readFloatLE(p + kOffSurface), p[kOffRangeMarker], b);
    doc.m_live[kSurface][i] = k;
    doc.m_live[kHumidity][i] = readFloatLE(p + kOffHumidity);

    MeterState& m = state.meter;
    m.m_lcdValue1 = formatFixed(readFloatLE(p + kOffDisplay1), 1);
    m.m_lcdValue2 = formatFixed(readFloatLE(p + kOffDisplay2), 1);
    m.m_lcdValue3 = thirdValueText(readFloatLE(p + kOffDisplay3));
    const bool typeK = (b & kBitB_TypeK) != 0;
    overrideThirdValue(m.m_lcdValue3, k, typeK);
    if (!(b & kBitB_SurfaceHeld)) {
        state.surface.s_heldLcd3Value = m.m_lcdValue3;
    } else if (!typeK) {
        m.m_lcdValue3 = state.surface.s_heldLcd3Value;
    }

    if (ApplyReading(state, doc)) {
        outcome.alarmChanged = true;
    }
    for (AlarmEventSink* sink : state.alarmEvents) {
        sink->readingEvaluated(state, doc, now);
    }
    ++outcome.framesAccepted;
    return true;
}

void runEndCheck(LiveState& state, ReceiveOutcome& outcome) {
    if (state.view.m_sampleIndex >= state.view.m_sampleLimit) {
        outcome.runEnded = outcome.runEnded || !state.frame.m_idle || state.frame.m_recording;
        state.frame.m_idle = true;
        state.frame.m_recording = false;
        state.view.m_stopEnabled = false;
    }
}

ReceiveOutcome onReceive(LiveState& state, CHygDoc& doc, FrameReader& reader,
                         const std::uint8_t* data, std::size_t size, std::int64_t now) {
    ReceiveOutcome outcome;
    LiveFrame frame;
    std::size_t done = 0;
    do {
        done += reader.feed(data + done, size - done);
        while (reader.nextFrame(frame)) {
            receiveLiveFrame(state, doc, frame.data(), frame.size(), now, outcome);
            runEndCheck(state, outcome);
        }
    } while (done < size);
    runEndCheck(state, outcome);
    return outcome;
}

}  // namespace kr5061

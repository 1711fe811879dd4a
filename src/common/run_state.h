#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/channels.h"

namespace kr5061 {

class AlarmEventSink;  // panels/alarm_events.h

inline constexpr int kPortFlagCount = 20;  // indexed by port number
inline constexpr int kMenuPortCount = 4;   // COM1..COM4 have menu items of their own

// Run state, port flags and alarm flags kept by the main frame.
struct MainFrameState {
    bool m_startPending = false;
    bool m_recording = false;
    bool m_idle = true;
    int m_comPort = 1;
    bool m_comRadio[kMenuPortCount] = {};
    bool m_comEnable[kMenuPortCount] = {true, true, true, true};
    bool m_otherComEnable = true;
    int m_graphUsed = 0;
    bool m_awaitingData[kPortFlagCount] = {};
    bool m_hiAlarm[kChannelCount] = {};
    bool m_loAlarm[kChannelCount] = {};
    bool m_frameReceived = false;
};

// Run and display state of the graph view that the link and the sample clock touch.
struct ViewState {
    std::int64_t m_startTime = 0;  // calendar seconds of sample 0
    bool m_newFrame = false;
    int m_runCounter2 = 0;
    int m_sampleIndex = 0;
    int m_samplePeriodMs = 1000;  // until the first Run
    int m_sampleLimit = 1000;
    bool m_runEnabled = false;
    bool m_stopEnabled = false;
    bool m_runStarted = false;
    bool m_loggerOpen = false;
    bool m_dragActive = false;
    int m_scrollBase = 0;
    int m_scrollPos = 0;
    int m_gain = 10;
    int m_offset = 0;
    bool m_showTrace[kChannelCount] = {true, true, true, true, true};
    bool m_plotting = false;
    bool m_offline = false;
    bool m_fahrenheit = false;
    std::string m_unitText;
    // Data logger: a loaded file waits for adoption; the logger graph's value axis.
    bool m_recallLoadedB = false;
    int m_loggerGain = 10;
    int m_loggerOffset = 0;
};

// The instrument's display as mirrored by the meter panel.
struct MeterState {
    std::string m_lcdValue1, m_lcdValue2, m_lcdValue3;
    std::string m_lcdUnit;
    std::string m_annMaxMin1, m_annMaxMin2;
    std::string m_annHold1, m_annHold2;
    std::string m_annRec1, m_annRec2;
    std::string m_annPcLink;
    std::string m_annWbDp;
    std::string m_annProbe;
    bool m_backlight = false;
};

// Texts of the graph control bar written by the link, the run commands and the sample clock.
struct GraphBarTexts {
    std::string m_batteryText;
    std::string m_startTimeText;
    std::string m_dataNoText;
    std::string m_rateText;
    std::string m_limitText;
};

// Limits and extreme texts of the channel readout bar.
struct ReadoutState {
    float m_hiLimit[kChannelCount] = {140.0f, 140.0f, 140.0f, 2501.0f, 100.0f};
    float m_loLimit[kChannelCount] = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    std::string m_hiText[kChannelCount];
    std::string m_loText[kChannelCount];
    std::string m_maxText[kChannelCount];
    std::string m_minText[kChannelCount];
};

// Running extremes on the Celsius scale; never reset while the program runs.
inline constexpr float kNoMaximum = -300.0f;
inline constexpr float kNoMinimum = 6000.0f;
struct RunningExtremes {
    float g_maxReading[kChannelCount] = {kNoMaximum, kNoMaximum, kNoMaximum, kNoMaximum,
                                         kNoMaximum};
    float g_minReading[kChannelCount] = {kNoMinimum, kNoMinimum, kNoMinimum, kNoMinimum,
                                         kNoMinimum};
};

// What the receive step remembers about the surface channel across frames.
struct SurfaceHandlerState {
    float s_heldSurface = kAbsentReading;
    float s_lastNonZeroSurface = 0.0f;
    std::uint8_t s_zeroFixCount = 2;
    std::string s_heldLcd3Value = "      ";
};

// Everything the receive step, the sample clock, the poll and the watchdog touch
// together. One instance lives as long as the program; windows hold references
// to the parts they show.
struct LiveState {
    MainFrameState frame;
    ViewState view;
    MeterState meter;
    GraphBarTexts graphBar;
    ReadoutState readout;
    RunningExtremes extremes;
    SurfaceHandlerState surface;
    // Told of every alarm evaluation, each in turn (the alarm log, a
    // publisher); a listener adds itself and takes itself off when it goes.
    std::vector<AlarmEventSink*> alarmEvents;
};

}  // namespace kr5061

#pragma once

// What goes on the broker: topic names and the JSON of every message. The
// texts are built with a JSON library, never pasted together from user text.
//
//   PREFIX/ID/status    retained "online"; "offline" as the last will
//   PREFIX/ID/reading   retained, at most once a second: the latest reading
//   PREFIX/ID/sample    QoS 1: one message per committed sample
//   PREFIX/ID/alarm     QoS 1: an alarm rose or cleared
//   homeassistant/sensor/ID_CHANNEL/config   retained discovery, five channels

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/channels.h"
#include "panels/alarm_log.h"

namespace kr5061 {

struct LiveState;
class CHygDoc;

struct PublishTopics {
    std::string status, reading, sample, alarm;
};
PublishTopics publishTopics(std::string_view prefix, std::string_view id);

// Channel names in topics and JSON keys: air, wb, dp, surface, rh.
std::string_view channelKey(int channel);

inline constexpr std::string_view kOnline = "online";
inline constexpr std::string_view kOffline = "offline";

// ISO 8601 local time with its offset: "2025-12-06T10:15:03+01:00".
std::string isoLocalTime(std::int64_t calendarSeconds);

// The latest accepted reading and the meter's state.
struct ReadingFacts {
    std::int64_t time = 0;                      // calendar seconds of the frame
    std::array<float, kChannelCount> values{};  // as stored, Celsius scale
    bool fahrenheit = false;                    // the instrument displays Fahrenheit
    bool typeK = false;                         // surface from the thermocouple, else infrared
    bool hold = false;
    bool max = false;
    bool min = false;
};

// The reading the receive step just stored at the current sample index.
ReadingFacts readingFactsOf(const LiveState& state, const CHygDoc& doc, std::int64_t now);

// {"time", "air", "wb", "dp", "surface" (null when absent), "rh", "unit",
//  "surface_probe" ("IR"/"K"), "hold", "max", "min"}
std::string readingPayload(const ReadingFacts& reading);

// One committed sample of a run, with the values exactly as the measurement
// file holds them.
struct SampleFacts {
    std::uint32_t run = 0;
    std::uint32_t index = 0;
    std::int64_t startTime = 0;  // calendar seconds of sample 0
    int periodSeconds = 1;
    std::array<float, kChannelCount> values{};
    std::string_view unit;
};

// The run id as published: eight hexadecimal digits.
std::string runIdText(std::uint32_t run);

// {"run", "index", "time", "period", "air", "wb", "dp", "surface", "rh", "unit"}
std::string samplePayload(const SampleFacts& sample);

// Whether an alarm event goes to the alarm topic: a high or low alarm that
// rose or cleared (condensation risk stays in the window's log).
bool publishesAlarm(const AlarmEvent& event);

// {"time", "channel", "kind" ("high"/"low"), "state" ("raised"/"cleared"),
//  "value" (as compared, in the displayed unit; null when the link was lost),
//  "limit", "unit"}
std::string alarmPayload(const AlarmEvent& event);

// Home Assistant discovery: the topic and the retained config of one channel.
std::string discoveryTopic(std::string_view id, int channel);
std::string discoveryPayload(std::string_view prefix, std::string_view id, int channel);

}  // namespace kr5061

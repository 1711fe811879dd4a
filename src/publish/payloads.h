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

// A channel's high or low alarm rose or cleared.
struct AlarmEvent {
    std::int64_t time = 0;
    int channel = 0;
    bool high = true;
    bool raised = true;
    float value = 0.0f;  // as compared: in the displayed unit, K/IR cut to a tenth
    float limit = 0.0f;  // in the displayed unit
    bool fahrenheit = false;
};

// {"time", "channel", "kind" ("high"/"low"), "state" ("raised"/"cleared"),
//  "value", "limit", "unit"}
std::string alarmPayload(const AlarmEvent& event);

// The alarm flags before a step, to compare with the state after it.
struct AlarmFlags {
    std::array<bool, kChannelCount> high{};
    std::array<bool, kChannelCount> low{};
};
AlarmFlags alarmFlagsOf(const LiveState& state);

// The events between two sets of flags, in channel order, high before low.
// `stored` holds the readings the new flags were computed from. Returns the
// number written to `out`.
int alarmEvents(const AlarmFlags& before, const LiveState& after,
                const std::array<float, kChannelCount>& stored, std::int64_t now,
                std::array<AlarmEvent, 2 * kChannelCount>& out);

// Home Assistant discovery: the topic and the retained config of one channel.
std::string discoveryTopic(std::string_view id, int channel);
std::string discoveryPayload(std::string_view prefix, std::string_view id, int channel);

}  // namespace kr5061

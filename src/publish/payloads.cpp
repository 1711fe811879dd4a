#include "publish/payloads.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>

#include "common/run_state.h"
#include "panels/extremes.h"
#include "store/hyg_doc.h"
#include "store/number_text.h"

namespace kr5061 {

namespace {

using nlohmann::json;

// A float as the JSON number whose shortest text reads back as exactly that
// float: the float's shortest decimal form taken as a double, so the library
// prints "23.4" and not the double 23.399999618530273. Where a double
// rounding would land on another float, the float's exact value is used.
json jsonFloat(float value) {
    if (!std::isfinite(value)) {
        return nullptr;
    }
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    double wide = 0.0;
    std::from_chars(text, written.ptr, wide);
    if (static_cast<float>(wide) != value) {
        wide = static_cast<double>(value);
    }
    return wide;
}

std::string_view unitText(bool fahrenheit) {
    return fahrenheit ? "F" : "C";
}

bool shows(const std::string& annunciator, std::string_view word) {
    return annunciator.find(word) != std::string::npos;
}

constexpr std::string_view kChannelKeys[kChannelCount] = {"air", "wb", "dp", "surface", "rh"};
constexpr std::string_view kChannelNames[kChannelCount] = {
    "Air temperature", "Wet bulb", "Dew point", "Surface temperature", "Relative humidity"};

std::string dumped(const json& j) {
    // Replacement keeps a stray byte of a user-given text from throwing.
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace

PublishTopics publishTopics(std::string_view prefix, std::string_view id) {
    const std::string base = std::string(prefix) + "/" + std::string(id) + "/";
    return {base + "status", base + "reading", base + "sample", base + "alarm"};
}

std::string_view channelKey(int channel) {
    return kChannelKeys[channel];
}

std::string isoLocalTime(std::int64_t calendarSeconds) {
    std::string text = localTimeText(calendarSeconds, "%Y-%m-%dT%H:%M:%S%z");
    // strftime gives the offset as +hhmm; ISO 8601 with an extended date wants +hh:mm.
    if (text.size() >= 5) {
        text.insert(text.size() - 2, ":");
    }
    return text;
}

ReadingFacts readingFactsOf(const LiveState& state, const CHygDoc& doc, std::int64_t now) {
    ReadingFacts r;
    r.time = now;
    const int i = std::clamp(state.view.m_sampleIndex, 0, kSampleCapacity - 1);
    for (int c = 0; c < kChannelCount; ++c) {
        r.values[c] = doc.m_live[c][i];
    }
    const MeterState& m = state.meter;
    r.fahrenheit = state.view.m_fahrenheit;
    r.typeK = shows(m.m_annProbe, "TYPE-K");
    r.hold = shows(m.m_annHold1, "HOLD") || shows(m.m_annHold2, "HOLD");
    r.max = shows(m.m_annMaxMin1, "MAX") || shows(m.m_annMaxMin2, "MAX");
    r.min = shows(m.m_annMaxMin1, "MIN") || shows(m.m_annMaxMin2, "MIN");
    return r;
}

std::string readingPayload(const ReadingFacts& reading) {
    json j;
    j["time"] = isoLocalTime(reading.time);
    for (int c = 0; c < kChannelCount; ++c) {
        const float v = reading.values[c];
        const bool absent = c == kSurface && v <= kAbsentFrameReading;
        j[std::string(kChannelKeys[c])] = absent ? json(nullptr) : jsonFloat(v);
    }
    j["unit"] = unitText(reading.fahrenheit);
    j["surface_probe"] = reading.typeK ? "K" : "IR";
    j["hold"] = reading.hold;
    j["max"] = reading.max;
    j["min"] = reading.min;
    return dumped(j);
}

std::string runIdText(std::uint32_t run) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(run));
    return text;
}

std::string samplePayload(const SampleFacts& sample) {
    json j;
    j["run"] = runIdText(sample.run);
    j["index"] = sample.index;
    j["time"] = isoLocalTime(sample.startTime +
                             static_cast<std::int64_t>(sample.index) * sample.periodSeconds);
    j["period"] = sample.periodSeconds;
    for (int c = 0; c < kChannelCount; ++c) {
        j[std::string(kChannelKeys[c])] = jsonFloat(sample.values[c]);
    }
    j["unit"] = sample.unit;
    return dumped(j);
}

bool publishesAlarm(const AlarmEvent& event) {
    return (event.kind == AlarmKind::high || event.kind == AlarmKind::low) && event.channel >= 0 &&
           event.channel < kChannelCount;
}

std::string alarmPayload(const AlarmEvent& event) {
    json j;
    j["time"] = isoLocalTime(event.time);
    j["channel"] = kChannelKeys[std::clamp(event.channel, 0, kChannelCount - 1)];
    j["kind"] = event.kind == AlarmKind::high ? "high" : "low";
    j["state"] = event.rise ? "raised" : "cleared";
    j["value"] = jsonFloat(event.value);
    j["limit"] = jsonFloat(event.limit);
    j["unit"] = std::string(event.unit, strnlen(event.unit, sizeof event.unit));
    return dumped(j);
}

std::string discoveryTopic(std::string_view id, int channel) {
    return "homeassistant/sensor/" + std::string(id) + "_" + std::string(kChannelKeys[channel]) +
           "/config";
}

std::string discoveryPayload(std::string_view prefix, std::string_view id, int channel) {
    const PublishTopics topics = publishTopics(prefix, id);
    const std::string key(kChannelKeys[channel]);
    const bool humidity = channel == kHumidity;
    json j;
    j["name"] = kChannelNames[channel];
    j["unique_id"] = "kr5061_" + std::string(id) + "_" + key;
    j["object_id"] = std::string(id) + "_" + key;
    j["state_topic"] = topics.reading;
    // The reading topic always carries Celsius; an absent surface reading is
    // null, which Home Assistant shows as unknown.
    j["value_template"] = "{{ value_json." + key + " }}";
    j["device_class"] = humidity ? "humidity" : "temperature";
    j["state_class"] = "measurement";
    j["unit_of_measurement"] = humidity ? "%" : "\u00b0C";
    j["availability_topic"] = topics.status;
    j["payload_available"] = kOnline;
    j["payload_not_available"] = kOffline;
    j["device"] = {{"identifiers", json::array({"kr5061_" + std::string(id)})},
                   {"name", id},
                   {"model", "KR5061"}};
    return dumped(j);
}

}  // namespace kr5061

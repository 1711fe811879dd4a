#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <vector>

#include "common/retry_backoff.h"
#include "common/run_state.h"
#include "panels/alarm_watch.h"
#include "publish/broker_url.h"
#include "publish/payloads.h"
#include "publish/publish_pacing.h"
#include "store/hyg_doc.h"
#include "support/time_zone.h"

namespace kr5061 {
namespace {

using nlohmann::json;

TEST(BrokerUrl, PartsAndRefusals) {
    struct Case {
        const char* text;
        bool ok;
        bool tls;
        const char* user;
        const char* host;
        int port;
        const char* prefix;
        const char* error;  // a word the refusal must contain
    };
    const Case cases[] = {
        {"mqtt://broker", true, false, "", "broker", 1883, "kr5061", ""},
        {"mqtts://broker", true, true, "", "broker", 8883, "kr5061", ""},
        {"mqtt://ann@10.0.0.5:1884/site/lab", true, false, "ann", "10.0.0.5", 1884, "site/lab", ""},
        {"mqtts://[::1]:8884/p", true, true, "", "::1", 8884, "p", ""},
        {"mqtt://broker/", true, false, "", "broker", 1883, "kr5061", ""},
        {"http://broker", false, false, "", "", 0, "", "mqtt://"},
        {"mqtt://", false, false, "", "", 0, "", "host"},
        {"mqtt://broker:0", false, false, "", "", 0, "", "port"},
        {"mqtt://broker:65536", false, false, "", "", 0, "", "port"},
        {"mqtt://broker:12ab", false, false, "", "", 0, "", "port"},
        {"mqtt://broker:", false, false, "", "", 0, "", "port"},
        {"mqtt://ann:pw@broker", false, false, "", "", 0, "", "password"},
        {"mqtt://broker/a/#", false, false, "", "", 0, "", "wildcard"},
        {"mqtt://broker/a/+/b", false, false, "", "", 0, "", "wildcard"},
        {"mqtt://broker/a//b", false, false, "", "", 0, "", "empty level"},
        {"mqtt://broker/$SYS", false, false, "", "", 0, "", "$"},
        {"mqtt://bro ker", false, false, "", "", 0, "", "host"},
        {"mqtt://[::1", false, false, "", "", 0, "", "]"},
    };
    for (const Case& c : cases) {
        const BrokerUrlResult r = parseBrokerUrl(c.text);
        EXPECT_EQ(r.ok, c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(r.url.tls, c.tls) << c.text;
            EXPECT_EQ(r.url.user, c.user) << c.text;
            EXPECT_EQ(r.url.host, c.host) << c.text;
            EXPECT_EQ(r.url.port, c.port) << c.text;
            EXPECT_EQ(r.url.prefix, c.prefix) << c.text;
        } else {
            EXPECT_NE(r.error.find(c.error), std::string::npos) << c.text << ": " << r.error;
        }
    }
    EXPECT_EQ(brokerAddressText(parseBrokerUrl("mqtts://[::1]").url), "[::1]:8883");
}

TEST(InstrumentId, TopicSafeCharactersOnly) {
    for (const char* bad : {"", "a/b", "a+b", "a#", "lab pc", "a.b", "\xc3\xa9"}) {
        EXPECT_FALSE(instrumentIdProblem(bad).empty()) << bad;
    }
    EXPECT_TRUE(instrumentIdProblem("Lab_PC-2").empty());
    EXPECT_FALSE(instrumentIdProblem(std::string(65, 'a')).empty());
    EXPECT_EQ(defaultInstrumentId("lab-pc", 1), "lab-pc-com1");
    EXPECT_EQ(defaultInstrumentId("lab.example.org", 12), "lab-example-org-com12");
    EXPECT_EQ(defaultInstrumentId("", 3), "kr5061-com3");
    EXPECT_TRUE(isTopicSafeId(defaultInstrumentId(std::string(100, 'h'), 16)));
}

// A consumer reads the JSON number as a double and narrows it: it must get
// the very float the measurement file holds, and the text stays short.
TEST(SamplePayload, ValuesReadBackAsTheStoredFloatsWithTheirTime) {
    test::ScopedTimeZone tz("CET-1CEST,M3.5.0,M10.5.0/3");
    const float awkward[] = {23.4f,
                             -0.1f,
                             0.7f,
                             kAbsentReading,
                             std::numeric_limits<float>::denorm_min(),
                             std::numeric_limits<float>::max(),
                             16777217.0f,
                             1.0e-7f,
                             100.0f / 3.0f};
    for (const float v : awkward) {
        SampleFacts s;
        s.run = 0x00abcdef;
        s.index = 7;
        s.startTime = 1765000000;  // 2025-12-06 05:46:40 UTC
        s.periodSeconds = 60;
        s.values = {v, v, v, v, v};
        s.unit = "F";
        const json j = json::parse(samplePayload(s));
        const float back = static_cast<float>(j.at("surface").get<double>());
        EXPECT_EQ(std::memcmp(&back, &v, sizeof v), 0) << v << " came back as " << back;
        EXPECT_EQ(j.at("run"), "00abcdef");
        EXPECT_EQ(j.at("index"), 7);
        EXPECT_EQ(j.at("period"), 60);
        EXPECT_EQ(j.at("unit"), "F");
        EXPECT_EQ(j.at("time"), "2025-12-06T06:53:40+01:00");  // start + 7 min, CET
    }
    SampleFacts s;
    s.values = {23.4f, 0, 0, 0, 0};
    EXPECT_NE(samplePayload(s).find("\"air\":23.4,"), std::string::npos) << samplePayload(s);
    s.values[0] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(json::parse(samplePayload(s)).at("air").is_null());
}

TEST(ReadingPayload, AbsentSurfaceIsNullAndTheMeterStateIsNamed) {
    auto state = std::make_unique<LiveState>();
    auto doc = std::make_unique<CHygDoc>();
    state->view.m_sampleIndex = 4;
    const float values[kChannelCount] = {21.5f, 15.0f, 10.0f, kAbsentReading, 48.0f};
    for (int c = 0; c < kChannelCount; ++c) {
        doc->m_live[c][4] = values[c];
    }
    state->view.m_fahrenheit = true;
    state->meter.m_annProbe = "     TYPE-K";
    state->meter.m_annHold2 = "HOLD";
    state->meter.m_annMaxMin1 = "     MIN";
    const json j = json::parse(readingPayload(readingFactsOf(*state, *doc, 0)));
    EXPECT_EQ(j.at("air"), 21.5);
    EXPECT_TRUE(j.at("surface").is_null());
    EXPECT_EQ(j.at("unit"), "F");
    EXPECT_EQ(j.at("surface_probe"), "K");
    EXPECT_EQ(j.at("hold"), true);
    EXPECT_EQ(j.at("min"), true);
    EXPECT_EQ(j.at("max"), false);
}

TEST(AlarmPayload, RiseAndClearInTheDisplayedUnitAndNoValueAfterTheLinkWent) {
    auto state = std::make_unique<LiveState>();
    auto doc = std::make_unique<CHygDoc>();
    std::vector<json> sent;
    AlarmWatch watch([&](const AlarmEvent& e) {
        if (publishesAlarm(e)) {
            sent.push_back(json::parse(alarmPayload(e)));
        }
    });
    state->view.m_fahrenheit = true;
    state->readout.m_hiLimit[kAir] = 80.0f;
    state->readout.m_loLimit[kSurface] = 50.0f;
    doc->m_live[kAir][0] = 30.0f;
    doc->m_live[kSurface][0] = 23.47f;
    state->frame.m_loAlarm[kSurface] = true;
    watch.readingEvaluated(*state, *doc, 1765000000);
    state->frame.m_loAlarm[kSurface] = false;
    state->frame.m_hiAlarm[kAir] = true;
    watch.readingEvaluated(*state, *doc, 1765000001);
    watch.alarmsCleared(1765000002);
    ASSERT_EQ(sent.size(), 4u);  // surface low rose; air high rose, surface low cleared; link lost
    EXPECT_EQ(sent[0].at("kind"), "low");
    EXPECT_EQ(sent[0].at("value"), 74.2);  // 23.47 C = 74.246 F, cut to a tenth
    const json& air = sent[1];
    EXPECT_EQ(air.at("channel"), "air");
    EXPECT_EQ(air.at("kind"), "high");
    EXPECT_EQ(air.at("state"), "raised");
    EXPECT_EQ(air.at("value"), 86.0);  // 30 C shown as 86 F
    EXPECT_EQ(air.at("limit"), 80.0);
    EXPECT_EQ(air.at("unit"), "F");
    EXPECT_EQ(sent[2].at("channel"), "surface");
    EXPECT_EQ(sent[2].at("state"), "cleared");
    EXPECT_EQ(sent[3].at("channel"), "air");
    EXPECT_EQ(sent[3].at("state"), "cleared");
    EXPECT_TRUE(sent[3].at("value").is_null()) << "no reading when the link went";
}

TEST(Discovery, FiveSensorsOfOneDeviceOnTheReadingTopic) {
    for (int c = 0; c < kChannelCount; ++c) {
        const json j = json::parse(discoveryPayload("site/lab", "pc-com1", c));
        const std::string key(channelKey(c));
        EXPECT_EQ(discoveryTopic("pc-com1", c), "homeassistant/sensor/pc-com1_" + key + "/config");
        EXPECT_EQ(j.at("state_topic"), "site/lab/pc-com1/reading");
        EXPECT_EQ(j.at("availability_topic"), "site/lab/pc-com1/status");
        EXPECT_EQ(j.at("value_template"), "{{ value_json." + key + " }}");
        EXPECT_EQ(j.at("device_class"), c == kHumidity ? "humidity" : "temperature");
        EXPECT_EQ(j.at("unit_of_measurement"), c == kHumidity ? "%" : "\u00b0C");
        EXPECT_EQ(j.at("state_class"), "measurement");
        EXPECT_EQ(j.at("device").at("identifiers").at(0), "kr5061_pc-com1");
    }
}

TEST(Pacing, ReconnectDoublesFromOneSecondToAMinute) {
    RetryBackoff s;
    const int expected[] = {1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000};
    for (const int ms : expected) {
        EXPECT_EQ(s.nextDelayMs(), ms);
    }
    s.succeeded();
    EXPECT_EQ(s.nextDelayMs(), 1000);

    ReadingPacer p;
    EXPECT_EQ(p.delayMs(5000), 0);
    p.sent(5000);
    EXPECT_EQ(p.delayMs(5300), 700);
    EXPECT_EQ(p.delayMs(6000), 0);
    EXPECT_EQ(p.delayMs(4000), 0) << "a clock that went back never blocks the readings";
}

}  // namespace
}  // namespace kr5061

// The publisher against a real mosquitto on loopback and the simulator on a
// real pseudo-terminal: a recording publishes every sample exactly as it
// saves it, every sample arrives in order however the broker comes and goes,
// a killed publisher resumes its outbox, a broker that cannot be used is
// named with the reason while the run records on, and the network never
// holds a stop.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QProcess>
#include <array>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "publish/payloads.h"
#include "sim/sim_runner.h"
#include "store/journal_format.h"
#include "store/measurement_file.h"
#include "support/mosquitto_broker.h"
#include "support/program.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using nlohmann::json;

constexpr const char* kId = "e2e";

struct Sample {
    std::string run;
    int index = -1;
};

// The samples in the order they came, duplicates (QoS 1) left out.
std::vector<Sample> distinctSamples(const std::vector<test::ReceivedMessage>& messages) {
    std::vector<Sample> out;
    std::map<std::pair<std::string, int>, bool> seen;
    for (const test::ReceivedMessage& m : messages) {
        if (m.topic != std::string("kr5061/") + kId + "/sample") {
            continue;
        }
        const json j = json::parse(m.payload);
        Sample s{j.at("run").get<std::string>(), j.at("index").get<int>()};
        if (!seen[{s.run, s.index}]) {
            seen[{s.run, s.index}] = true;
            out.push_back(s);
        }
    }
    return out;
}

// Every run's indices come as 0, 1, 2, ... without a gap.
::testing::AssertionResult inOrderWithoutGaps(const std::vector<Sample>& samples) {
    std::map<std::string, int> next;
    for (const Sample& s : samples) {
        if (s.index != next[s.run]) {
            return ::testing::AssertionFailure() << "run " << s.run << ": index " << s.index
                                                 << " where " << next[s.run] << " was due";
        }
        ++next[s.run];
    }
    return ::testing::AssertionSuccess();
}

class Publishing : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(broker.start()) << broker.error();
        SimOptions options;
        options.intervalMs = 200;
        slave = QString::fromStdString(sim.start(options));
        ASSERT_FALSE(slave.isEmpty());
    }
    void TearDown() override {
        for (QProcess* p : {&bridge, &second}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished();
            }
        }
    }
    void startBridge(QProcess& p, const QString& url, const QStringList& more = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
        env.insert(QStringLiteral("KR5061_MQTT_PASSWORD"), QStringLiteral("wrong"));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral(KR5061_PROGRAM), QStringList{"bridge", "--port", slave, "--publish",
                                                            url, "--id", kId, "--period", "1"} +
                                                    more);
        ASSERT_TRUE(p.waitForStarted());
    }
    // Samples the outbox holds on disk (the sum over its run files).
    int samplesInOutbox() {
        int n = 0;
        std::error_code ec;
        auto run = std::make_unique<RecoveredRun>();
        for (const auto& e : fs::directory_iterator(config.path() / "outbox" / kId, ec)) {
            if (e.path().extension() == ".journal" && readJournalRun(e.path(), *run).ok()) {
                n += run->count;
            }
        }
        return n;
    }
    bool subscribe() {
        subscriber = std::make_unique<test::TestSubscriber>(broker.port());
        return subscriber->waitSubscribed(10s);
    }
    // The publisher's last word, "offline", came.
    bool waitForOffline() {
        return subscriber->waitFor(
            [](const auto& m) {
                return !m.empty() && m.back().topic == std::string("kr5061/") + kId + "/status" &&
                       m.back().payload == "offline";
            },
            10s);
    }
    bool waitForSamples(std::size_t count, std::chrono::milliseconds timeout) {
        return subscriber->waitFor(
            [count](const auto& m) { return distinctSamples(m).size() >= count; }, timeout);
    }
    test::ProgramResult runRecord(const QStringList& more, const fs::path& out, int count) {
        QProcess p;
        QProcessEnvironment env;
        env.insert(QStringLiteral("KR5061_MQTT_PASSWORD"), QStringLiteral("wrong"));
        test::startProgram(p,
                           QStringList{"record", "--port", slave, "--period", "1", "--count",
                                       QString::number(count), "--out", test::q(out), "--quiet"} +
                               more,
                           env);
        return test::finished(p, 60000);
    }
    // Reads the program's output until `text` shows or the deadline passes.
    static bool waitForOutput(QProcess& p, const QString& text, QString& out) {
        for (int i = 0; i < 200 && !out.contains(text); ++i) {
            p.waitForReadyRead(100);
            out += QString::fromLocal8Bit(p.readAll());
        }
        return out.contains(text);
    }

    test::ScopedConfigDir config;
    test::MosquittoBroker broker;
    SimRunner sim;
    QString slave;
    QProcess bridge, second;
    std::unique_ptr<test::TestSubscriber> subscriber;
};

TEST_F(Publishing, BrokerAwayForTenSecondsLosesNoSample) {
    ASSERT_TRUE(subscribe());
    startBridge(bridge, QString::fromStdString(broker.url()));
    ASSERT_TRUE(waitForSamples(3, 20s));

    broker.stop();
    std::this_thread::sleep_for(10s);  // the broker's absence itself is the scenario
    ASSERT_TRUE(broker.start()) << broker.error();
    const std::size_t before = distinctSamples(subscriber->messages()).size();
    ASSERT_TRUE(waitForSamples(before + 12, 40s));

    bridge.terminate();
    ASSERT_TRUE(bridge.waitForFinished(15000));
    EXPECT_EQ(bridge.exitCode(), 0);
    const std::vector<Sample> samples = distinctSamples(subscriber->messages());
    EXPECT_TRUE(inOrderWithoutGaps(samples));
    EXPECT_TRUE(waitForOffline());
}

TEST_F(Publishing, KilledPublisherSendsItsBacklogAtTheNextStart) {
    ASSERT_TRUE(subscribe());
    startBridge(bridge, QString::fromStdString(broker.url()));
    ASSERT_TRUE(waitForSamples(2, 20s));
    broker.stop();
    const int sent = static_cast<int>(distinctSamples(subscriber->messages()).size());
    for (int i = 0; i < 200 && samplesInOutbox() < sent + 4; ++i) {
        bridge.waitForFinished(100);
    }
    const int kept = samplesInOutbox();
    ASSERT_GE(kept, sent + 4);
    ::kill(static_cast<pid_t>(bridge.processId()), SIGKILL);
    ASSERT_TRUE(bridge.waitForFinished(10000));

    ASSERT_TRUE(broker.start()) << broker.error();
    startBridge(second, QString::fromStdString(broker.url()));
    ASSERT_TRUE(waitForSamples(static_cast<std::size_t>(kept), 40s));
    const std::vector<Sample> samples = distinctSamples(subscriber->messages());
    EXPECT_TRUE(inOrderWithoutGaps(samples));
    EXPECT_EQ(samples.front().run, samples[static_cast<std::size_t>(kept) - 1].run)
        << "the first run's backlog came whole, before the new run";
}

// The saved file's samples: start, period and the five stored floats of each.
struct SavedRun {
    QDateTime start;
    int period = 0;
    std::vector<std::array<float, kChannelCount>> values;
};

SavedRun readSaved(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    LoadedMeasurement m;
    SavedRun run;
    if (!parseMeasurementFile(bytes.data(), bytes.size(), m).ok()) {
        return run;
    }
    run.start = QDateTime(QDate(m.start.year, m.start.month, m.start.day),
                          QTime(m.start.hour, m.start.minute, m.start.second));
    run.period = m.periodSeconds;
    for (int i = 0; i < m.count; ++i) {
        std::array<float, kChannelCount> v;
        std::memcpy(v.data(), m.records + 20 * i, sizeof v);  // five little-endian floats
        run.values.push_back(v);
    }
    return run;
}

// ISO 8601 with the offset, as Qt computes it for local time.
QString isoWithOffset(const QDateTime& local) {
    const int offset = local.offsetFromUtc();
    return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           QStringLiteral("%1%2:%3")
               .arg(offset < 0 ? '-' : '+')
               .arg(std::abs(offset) / 3600, 2, 10, QLatin1Char('0'))
               .arg(std::abs(offset) % 3600 / 60, 2, 10, QLatin1Char('0'));
}

TEST_F(Publishing, RecordPublishesEverySampleExactlyAsSavedAndAnnouncesItself) {
    ASSERT_TRUE(subscribe());
    const fs::path out = config.path() / "run.AsmDat";
    const test::ProgramResult r =
        runRecord({"--publish", QString::fromStdString(broker.url()), "--id", kId}, out, 6);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const SavedRun saved = readSaved(out);
    ASSERT_EQ(saved.values.size(), 6u);
    const std::string topic = std::string("kr5061/") + kId + "/";
    // The program has ended: its last word is on its way, if not there yet.
    ASSERT_TRUE(waitForOffline());

    std::vector<json> samples;
    for (const test::ReceivedMessage& m : subscriber->messagesOn(topic + "sample")) {
        samples.push_back(json::parse(m.payload));
    }
    ASSERT_EQ(samples.size(), saved.values.size()) << "one message per sample";
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const json& j = samples[i];
        EXPECT_EQ(j.at("index"), static_cast<int>(i));
        EXPECT_EQ(j.at("run"), samples[0].at("run"));
        EXPECT_EQ(j.at("period"), saved.period);
        EXPECT_EQ(QString::fromStdString(j.at("time").get<std::string>()),
                  isoWithOffset(saved.start.addSecs(static_cast<qint64>(i) * saved.period)));
        for (int c = 0; c < kChannelCount; ++c) {
            const auto back = static_cast<float>(j.at(std::string(channelKey(c))).get<double>());
            EXPECT_EQ(std::memcmp(&back, &saved.values[i][c], sizeof back), 0)
                << "sample " << i << " " << channelKey(c) << ": " << back << " saved as "
                << saved.values[i][c];
        }
    }
    std::vector<std::string> status;
    for (const test::ReceivedMessage& m : subscriber->messagesOn(topic + "status")) {
        status.push_back(m.payload);
    }
    EXPECT_EQ(status, (std::vector<std::string>{"online", "offline"}));

    // A newcomer gets the five announcements the broker kept.
    test::TestSubscriber newcomer(broker.port(), "kr5061-test-newcomer");
    std::set<std::string> configs;
    EXPECT_TRUE(newcomer.waitFor(
        [&](const auto& messages) {
            for (const test::ReceivedMessage& m : messages) {
                if (m.retained && m.topic.starts_with("homeassistant/sensor/")) {
                    configs.insert(m.topic);
                }
            }
            return configs.size() == kChannelCount;
        },
        10s));
    EXPECT_EQ(configs.count(std::string("homeassistant/sensor/") + kId + "_rh/config"), 1u);
}

TEST_F(Publishing, RecordNamesAnUnusableBrokerWithItsReasonAndRecordsOn) {
    struct Case {
        QString url;
        QStringList more;
        QString says;
    };
    const Case cases[] = {
        {QStringLiteral("mqtt://alice@127.0.0.1:%1").arg(broker.port()), {}, "not authorised"},
        {QStringLiteral("mqtts://localhost:%1").arg(broker.tlsPort()),
         {"--ca-file", test::q(broker.otherCaFile())},
         "certificate was refused (self-signed certificate in certificate chain)"},
        {QStringLiteral("mqtts://127.0.0.1:%1").arg(broker.tlsPort()),
         {"--ca-file", test::q(broker.caFile())},
         "certificate was refused (it is not made out to this host name)"},
    };
    int waiting = 0;
    for (const Case& c : cases) {
        const fs::path out = config.path() / "refused.AsmDat";
        const test::ProgramResult r =
            runRecord(QStringList{"--publish", c.url, "--id", kId, "--force"} + c.more, out, 3);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.says)) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral(":%1").arg(broker.port())) ||
                    r.err.contains(QStringLiteral(":%1").arg(broker.tlsPort())))
            << "the broker is named: " << r.err.toStdString();
        EXPECT_EQ(readSaved(out).values.size(), 3u) << "the run is saved whole";
        waiting += 3;
        EXPECT_EQ(samplesInOutbox(), waiting) << "its samples wait in the outbox";
    }
}

// Neither a broker whose address swallows the connection nor a name lookup
// that does not come back holds the bridge when it is told to stop.
TEST_F(Publishing, BridgeStopsOnTimeWhateverTheNetworkDoes) {
    test::BlackHole hole;
    ASSERT_GT(hole.port(), 0);
    struct Case {
        const char* lookupDelayMs;
        int signal;
    };
    for (const Case& c : {Case{"0", SIGTERM}, Case{"600000", SIGINT}}) {
        qputenv("KR5061_TEST_LOOKUP_DELAY_MS", c.lookupDelayMs);
        startBridge(bridge, QStringLiteral("mqtt://127.0.0.1:%1").arg(hole.port()));
        qunsetenv("KR5061_TEST_LOOKUP_DELAY_MS");
        QString out;
        ASSERT_TRUE(waitForOutput(bridge, QStringLiteral("answers"), out)) << out.toStdString();
        ::kill(static_cast<pid_t>(bridge.processId()), c.signal);
        // It ends within a couple of seconds; the deadline only tells a hang from a stop.
        EXPECT_TRUE(bridge.waitForFinished(15000)) << c.lookupDelayMs;
        EXPECT_EQ(bridge.exitCode(), 0) << c.lookupDelayMs;
    }
}

}  // namespace
}  // namespace kr5061

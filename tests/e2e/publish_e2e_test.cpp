// The publisher against a real mosquitto on loopback and the simulator on a
// real pseudo-terminal: every sample arrives in order however the broker
// comes and goes, a killed publisher resumes its outbox, and a broker that
// cannot be used is named with the reason while the samples wait.
#include <gtest/gtest.h>

#include <QProcess>
#include <csignal>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <thread>

#include "sim/sim_runner.h"
#include "store/journal_format.h"
#include "support/mosquitto_broker.h"
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
    bool waitForSamples(std::size_t count, std::chrono::milliseconds timeout) {
        return subscriber->waitFor(
            [count](const auto& m) { return distinctSamples(m).size() >= count; }, timeout);
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
    subscriber = std::make_unique<test::TestSubscriber>(broker.port());
    ASSERT_TRUE(subscriber->waitSubscribed(10s));
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
    EXPECT_TRUE(subscriber->waitFor(
        [](const auto& m) {
            return !m.empty() && m.back().topic == std::string("kr5061/") + kId + "/status" &&
                   m.back().payload == "offline";
        },
        10s));
}

TEST_F(Publishing, KilledPublisherSendsItsBacklogAtTheNextStart) {
    subscriber = std::make_unique<test::TestSubscriber>(broker.port());
    ASSERT_TRUE(subscriber->waitSubscribed(10s));
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

TEST_F(Publishing, UnusableBrokerIsNamedWithItsReasonWhileSamplesWait) {
    struct Case {
        QString url;
        QStringList more;
        QString says;
    };
    const QString tls = QStringLiteral("mqtts://localhost:%1").arg(broker.tlsPort());
    const Case cases[] = {
        {QStringLiteral("mqtt://alice@127.0.0.1:%1").arg(broker.port()), {}, "not authorised"},
        {tls,
         {"--ca-file", QString::fromStdString(broker.otherCaFile().string())},
         "certificate was refused (self-signed certificate in certificate chain)"},
        {QStringLiteral("mqtts://127.0.0.1:%1").arg(broker.tlsPort()),
         {"--ca-file", QString::fromStdString(broker.caFile().string())},
         "certificate was refused (it is not made out to this host name)"},
    };
    for (const Case& c : cases) {
        QProcess p;
        startBridge(p, c.url, c.more);
        QString out;
        EXPECT_TRUE(waitForOutput(p, c.says, out)) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("localhost:%1").arg(broker.tlsPort())) ||
                    out.contains(QStringLiteral("127.0.0.1:%1").arg(broker.tlsPort())) ||
                    out.contains(QStringLiteral("127.0.0.1:%1").arg(broker.port())))
            << "the broker is named: " << out.toStdString();
        const int start = samplesInOutbox();
        for (int i = 0; i < 100 && samplesInOutbox() < start + 2; ++i) {
            p.waitForFinished(100);
        }
        EXPECT_GE(samplesInOutbox(), start + 2) << "samples wait in the outbox";
        p.terminate();
        EXPECT_TRUE(p.waitForFinished(15000));
        EXPECT_EQ(p.exitCode(), 0);
    }
}

}  // namespace
}  // namespace kr5061

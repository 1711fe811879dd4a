// The publisher against a real mosquitto on loopback (started here, as the
// tests start it): the process CPU per published sample (outbox write, JSON,
// the client's thread), the latency from a committed sample to a subscriber
// (median and 99th percentile), and how fast a backlog of 100000 samples
// drains once the broker comes back, with the latency of the live readings
// sent meanwhile; and, against an address that swallows connections, the
// longest the event loop waits to handle an event while the publisher and the
// Publish dialog's Test try to connect, and how long their stops take.

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>
#include <vector>

#include "common/run_state.h"
#include "publish/publish_dlg.h"
#include "publish/publisher.h"
#include "publish/secret_store.h"
#include "store/hyg_doc.h"
#include "support/mosquitto_broker.h"
#include "support/test_dirs.h"

namespace kr5061 {
namespace {

using Clock = std::chrono::steady_clock;

// A publisher fed by a run that commits one sample per call.
struct PublishBench {
    test::TempDir dir;
    test::MosquittoBroker broker;
    std::unique_ptr<LiveState> state = std::make_unique<LiveState>();
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    Publisher publisher;

    PublishBench() {
        for (int i = 0; i < kSampleCapacity; ++i) {
            for (int c = 0; c < kChannelCount; ++c) {
                doc->m_live[c][i] = 20.0f + 0.01f * static_cast<float>(i + c);
            }
        }
        ViewState& v = state->view;
        v.m_startTime = 1765000000;
        v.m_samplePeriodMs = 1000;
        v.m_sampleLimit = 10000;
        v.m_unitText = "C";
    }
    bool start(benchmark::State& s, int port) {
        PublishTarget t;
        t.url.host = "127.0.0.1";
        t.url.port = port;
        t.id = "bench";
        t.outboxDir = dir.path() / "outbox";
        QString error;
        if (!publisher.start(t, &error)) {
            s.SkipWithError(error.toStdString().c_str());
            return false;
        }
        return true;
    }
    void commit() {
        ViewState& v = state->view;
        if (v.m_sampleIndex >= v.m_sampleLimit) {
            v.m_sampleIndex = 0;
            ++v.m_startTime;
        }
        ++v.m_sampleIndex;
        publisher.sampleCommitted(*doc, v);
    }
    bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < timeoutMs) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return done();
    }
    bool connected() { return publisher.status().state == PublishState::kConnected; }
    bool drained() { return publisher.outbox().waiting() == 0; }
};

double percentile(std::vector<double> v, double p) {
    if (v.empty()) {
        return 0.0;
    }
    std::sort(v.begin(), v.end());
    return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
}

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Every thread of the process counts, the client's included, until the
// broker has acknowledged the last sample.
void PublishCpuPerSample(benchmark::State& state) {
    constexpr int kSamples = 20000;
    PublishBench b;
    if (!b.broker.start() || !b.start(state, b.broker.port()) ||
        !b.waitUntil([&] { return b.connected(); }, 10000)) {
        state.SkipWithError("no broker");
        return;
    }
    for (auto _ : state) {
        const double cpu0 = processCpuSeconds();
        for (int i = 0; i < kSamples; ++i) {
            b.commit();
            QCoreApplication::processEvents();  // acknowledgements let the next samples go
        }
        b.waitUntil([&] { return b.drained(); }, 60000);
        state.counters["cpu_us_per_sample"] = (processCpuSeconds() - cpu0) * 1e6 / kSamples;
    }
}

void PublishLatencyToSubscriber(benchmark::State& state) {
    PublishBench b;
    if (!b.broker.start() || !b.start(state, b.broker.port())) {
        state.SkipWithError("no broker");
        return;
    }
    test::TestSubscriber sub(b.broker.port(), "kr5061-bench-subscriber");
    sub.waitSubscribed(std::chrono::seconds(10));
    b.waitUntil([&] { return b.connected(); }, 10000);
    std::vector<double> latencyUs;
    for (auto _ : state) {
        const std::size_t before = sub.count();
        const Clock::time_point t0 = Clock::now();
        b.commit();
        b.waitUntil([&] { return sub.count() > before; }, 5000);
        latencyUs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    state.counters["median_us"] = percentile(latencyUs, 0.5);
    state.counters["p99_us"] = percentile(latencyUs, 0.99);
}

void PublishBacklogDrain(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        PublishBench b;
        if (!b.broker.start()) {
            state.SkipWithError(b.broker.error().c_str());
            return;
        }
        b.broker.stop();  // away: every sample waits in the outbox
        const int port = b.broker.port();
        if (!b.start(state, port)) {
            return;
        }
        for (int i = 0; i < 100000; ++i) {
            b.commit();
        }
        // The broker is back; a new start tries at once and resumes the outbox.
        b.publisher.stop(0);
        if (!b.broker.start() || !b.start(state, port) ||
            !b.waitUntil([&] { return b.connected(); }, 10000)) {
            state.SkipWithError("no broker");
            return;
        }
        test::TestSubscriber sub(port, "kr5061-bench-readings");
        state.ResumeTiming();
        QElapsedTimer drain, sinceReading;
        drain.start();
        sinceReading.start();
        std::vector<double> readingMs;
        while (!b.drained() && drain.elapsed() < 600000) {
            if (sinceReading.elapsed() >= 1100) {
                // A live reading while the backlog drains: how long until it is out?
                QElapsedTimer t;
                t.start();
                const std::size_t before = sub.messagesOn("kr5061/bench/reading").size();
                b.publisher.readingAccepted(*b.state, *b.doc);
                b.waitUntil([&] { return sub.messagesOn("kr5061/bench/reading").size() > before; },
                            5000);
                readingMs.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
                sinceReading.restart();
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        const double seconds = static_cast<double>(drain.nsecsElapsed()) / 1e9;
        state.counters["samples_per_s"] = 100000.0 / seconds;
        state.counters["drain_s"] = seconds;
        state.counters["reading_max_ms"] =
            readingMs.empty() ? 0.0 : *std::max_element(readingMs.begin(), readingMs.end());
    }
}

class NoSecrets : public SecretStore {
public:
    void read(const QString&, ReadDone done) override { done(true, {}, {}); }
    void write(const QString&, const QString&, WriteDone done) override { done(true, {}); }
};

double elapsedMs(const QElapsedTimer& t) {
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// The window's thread while the broker's address swallows every connect: a
// 10 ms timer measures the longest wait of the event loop while samples and
// readings come in and the dialog's Test connects, then the stops are timed.
void PublishWindowAnswersOverABlackHole(benchmark::State& state) {
    for (auto _ : state) {
        test::BlackHole hole;
        PublishBench b;
        if (hole.port() == 0 || !b.start(state, hole.port())) {
            state.SkipWithError("no black hole");
            return;
        }
        NoSecrets secrets;
        PublishSettings settings;
        settings.url = "mqtt://127.0.0.1:" + std::to_string(hole.port());
        auto dlg = std::make_unique<CPublishDlg>(settings, QString(), 1, secrets);
        dlg->testButton()->click();
        QElapsedTimer since, run;
        double longestMs = 0.0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            longestMs = std::max(longestMs, elapsedMs(since));
            since.restart();
            b.commit();
            b.publisher.readingAccepted(*b.state, *b.doc);
        });
        tick.start(10);
        since.start();
        run.start();
        b.waitUntil([&] { return run.elapsed() >= 5000; }, 6000);
        tick.stop();
        QElapsedTimer stop;
        stop.start();
        dlg.reset();
        const double dialogMs = elapsedMs(stop);
        stop.restart();
        b.publisher.stop();
        state.counters["longest_event_wait_ms"] = longestMs;
        state.counters["dialog_close_ms"] = dialogMs;
        state.counters["publisher_stop_ms"] = elapsedMs(stop);
    }
}

BENCHMARK(PublishCpuPerSample)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(PublishLatencyToSubscriber)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(2000)
    ->UseRealTime();
BENCHMARK(PublishBacklogDrain)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(PublishWindowAnswersOverABlackHole)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

}  // namespace
}  // namespace kr5061

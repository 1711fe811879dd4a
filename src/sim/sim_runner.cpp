#include "sim/sim_runner.h"

#include <algorithm>
#include <chrono>

#include "sim/instrument_model.h"

namespace kr5061 {

namespace {
using Clock = std::chrono::steady_clock;

std::int64_t microsSince(Clock::time_point t0) {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0).count();
}

std::string hexFrame(const CommandFrame& f) {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (std::uint8_t b : f) {
        s += digits[b >> 4];
        s += digits[b & 0xF];
        s += ' ';
    }
    s.pop_back();
    return s;
}
}  // namespace

SimRunner::~SimRunner() {
    stop();
}

std::string SimRunner::start(const SimOptions& options, std::string* error) {
    if (running()) {
        if (error != nullptr) {
            *error = "simulator already running";
        }
        return {};
    }
    if (!m_transport.open(error)) {
        return {};
    }
    m_slavePath = m_transport.slavePath();
    m_stopRequest = false;
    m_hangUpRequest = false;
    m_hungUp = false;
    m_silentRequest = -1;
    m_starts = m_keys = m_polls = m_frames = m_commands = 0;
    {
        std::lock_guard<std::mutex> lock(m_recentMutex);
        m_recentCount = 0;
    }
    m_thread = std::thread(&SimRunner::run, this, options);
    return m_slavePath;
}

void SimRunner::stop() {
    m_stopRequest = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_transport.hangUp();
}

std::size_t SimRunner::recentCommands(CommandFrame* out, std::size_t cap) const {
    std::lock_guard<std::mutex> lock(m_recentMutex);
    const std::size_t n = std::min(m_recentCount, cap);
    std::copy(m_recent.begin() + static_cast<std::ptrdiff_t>(m_recentCount - n),
              m_recent.begin() + static_cast<std::ptrdiff_t>(m_recentCount), out);
    return n;
}

void SimRunner::publish(const InstrumentModel& model) {
    const ModelCounters& c = model.counters();
    m_starts = c.startCommands;
    m_keys = c.keyFrames;
    m_polls = c.polls;
    m_frames = c.framesSent;
    const std::uint64_t before = m_commands.exchange(model.commandCount());
    if (before == model.commandCount()) {
        return;
    }
    std::lock_guard<std::mutex> lock(m_recentMutex);
    m_recentCount = model.recentCommands(m_recent.data(), m_recent.size());
    if (m_log) {
        // Only the commands that are new since the last look, oldest first.
        const std::uint64_t fresh =
            std::min<std::uint64_t>(model.commandCount() - before, m_recentCount);
        for (std::size_t i = m_recentCount - static_cast<std::size_t>(fresh); i < m_recentCount;
             ++i) {
            m_log(std::string(commandName(m_recent[i])) + ": " + hexFrame(m_recent[i]));
        }
    }
}

void SimRunner::run(SimOptions options) {
    InstrumentModel model(options);
    const Clock::time_point t0 = Clock::now();
    std::int64_t lineFreeUs = 0;  // the line is busy with earlier bytes until then
    std::array<std::uint8_t, 256> rx;
    std::array<std::uint8_t, 256> tx;

    while (!m_stopRequest.load()) {
        const int silent = m_silentRequest.exchange(-1);
        if (silent >= 0) {
            model.setSilent(silent == 1);
        }
        std::int64_t nowUs = microsSince(t0);
        if (m_hangUpRequest.load() || model.hangUpDue(nowUs / 1000)) {
            break;
        }
        // Write the next piece only once the line has carried the previous one,
        // so the output never outruns 4800 baud and split pieces arrive apart.
        if (nowUs >= lineFreeUs) {
            const std::size_t n = model.produce(nowUs / 1000, tx.data(), tx.size());
            if (n > 0) {
                if (!m_transport.writeAll(tx.data(), n)) {
                    break;
                }
                lineFreeUs = nowUs + static_cast<std::int64_t>(n) * kByteTimeUs;
                publish(model);
                continue;
            }
        }
        const std::int64_t wakeUs = std::max(lineFreeUs, model.nextWakeMs(nowUs / 1000) * 1000);
        // Short waits keep stop() and the fault controls responsive.
        const int waitMs =
            static_cast<int>(std::clamp<std::int64_t>((wakeUs - nowUs + 999) / 1000, 0, 20));
        const long got = m_transport.readSome(rx.data(), rx.size(), waitMs);
        if (got < 0) {
            break;
        }
        if (got > 0) {
            model.receive(rx.data(), static_cast<std::size_t>(got), microsSince(t0) / 1000);
            publish(model);
        }
    }
    publish(model);
    if (!m_stopRequest.load()) {
        m_transport.hangUp();
        m_hungUp = true;
    }
}

}  // namespace kr5061

#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "link/frames.h"
#include "sim/pty_transport.h"
#include "sim/sim_options.h"

namespace kr5061 {

class InstrumentModel;

// Runs the instrument model on a pseudo-terminal in a thread of its own, paced
// at the 4800 baud line rate. Used by kr5061-sim, by the program's simulate
// mode and by end-to-end tests that read the slave from a Qt event loop. The
// counters and controls may be used from any thread.
class SimRunner {
public:
    using LogFunction = std::function<void(const std::string&)>;

    SimRunner() = default;
    ~SimRunner();
    SimRunner(const SimRunner&) = delete;
    SimRunner& operator=(const SimRunner&) = delete;

    // Called on the runner's thread for every command received; set before start().
    void setLog(LogFunction log) { m_log = std::move(log); }

    // Opens the pseudo-terminal and starts the thread. Returns the slave path,
    // or an empty string with the reason in *error.
    std::string start(const SimOptions& options, std::string* error = nullptr);

    // Stops the thread and closes the pseudo-terminal; safe to call twice.
    void stop();

    bool running() const { return m_thread.joinable(); }
    // True once the pseudo-terminal was closed, by the fault timer or hangUp().
    bool hungUp() const { return m_hungUp.load(); }
    const std::string& slavePath() const { return m_slavePath; }

    // Fault controls, applied by the runner's thread within a few milliseconds.
    void setSilent(bool silent) { m_silentRequest.store(silent ? 1 : 0); }
    void hangUp() { m_hangUpRequest.store(true); }

    std::uint64_t startCommands() const { return m_starts.load(); }
    std::uint64_t keyFrames() const { return m_keys.load(); }
    std::uint64_t pollsReceived() const { return m_polls.load(); }
    std::uint64_t framesSent() const { return m_frames.load(); }
    std::uint64_t commandsReceived() const { return m_commands.load(); }

    // The last command frames received (start, keys, ...), oldest first.
    static constexpr std::size_t kRecentCommands = 8;
    std::size_t recentCommands(CommandFrame* out, std::size_t cap) const;

private:
    void run(SimOptions options);
    void publish(const InstrumentModel& model);

    std::thread m_thread;
    std::string m_slavePath;
    LogFunction m_log;
    std::atomic<bool> m_stopRequest{false};
    std::atomic<bool> m_hangUpRequest{false};
    std::atomic<int> m_silentRequest{-1};  // -1: no change pending
    std::atomic<bool> m_hungUp{false};
    std::atomic<std::uint64_t> m_starts{0}, m_keys{0}, m_polls{0}, m_frames{0}, m_commands{0};

    mutable std::mutex m_recentMutex;
    std::array<CommandFrame, kRecentCommands> m_recent{};
    std::size_t m_recentCount = 0;

    // Opened by start() on the caller's thread, then used by the runner's thread only.
    PtyTransport m_transport;
};

}  // namespace kr5061

#include "sim/sim_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "link/frames.h"
#include "sim/instrument_model.h"

namespace kr5061 {
namespace {

using namespace std::chrono_literals;

// Waits (generously) until cond() holds; robustness, not speed, is checked.
template <typename Cond>
bool eventually(Cond cond) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!cond()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

struct Port {
    explicit Port(const std::string& path) : fd(::open(path.c_str(), O_RDWR | O_NOCTTY)) {}
    ~Port() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    void send(const CommandFrame& f) const { ASSERT_EQ(::write(fd, f.data(), f.size()), 11); }

    // Collects bytes until a whole live frame is found; returns its start or -1.
    long readFrame(std::vector<std::uint8_t>& got) const {
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (std::chrono::steady_clock::now() < deadline) {
            for (std::size_t i = 0; i + kLiveFrameSize <= got.size(); ++i) {
                if (liveHeaderOk(got.data() + i, got.size() - i)) {
                    return static_cast<long>(i);
                }
            }
            pollfd pfd{fd, POLLIN, 0};
            if (::poll(&pfd, 1, 100) > 0) {
                std::uint8_t buf[256];
                const ssize_t n = ::read(fd, buf, sizeof buf);
                if (n <= 0) {
                    return -1;
                }
                got.insert(got.end(), buf, buf + n);
            }
        }
        return -1;
    }
    int fd;
};

TEST(SimRunner, AnswersTheStartCommandAndCountsWhatTheProgramSends) {
    SimRunner runner;
    std::string error;
    SimOptions o;
    o.intervalMs = 100;
    const std::string path = runner.start(o, &error);
    ASSERT_FALSE(path.empty()) << error;
    Port port(path);
    ASSERT_GE(port.fd, 0);

    std::vector<std::uint8_t> got;
    port.send(startCommandFrame());
    const long at = port.readFrame(got);
    ASSERT_GE(at, 0);
    EXPECT_EQ(got[static_cast<std::size_t>(at) + kOffStatusA] & 0xC0, 0xC0);

    const std::uint8_t poll = kPollByte;
    ASSERT_EQ(::write(port.fd, &poll, 1), 1);
    port.send(keyFrame(kKeyHoldUpper));
    ASSERT_TRUE(eventually([&] { return runner.keyFrames() == 1 && runner.pollsReceived() == 1; }));
    EXPECT_EQ(runner.startCommands(), 1u);
    CommandFrame recent[SimRunner::kRecentCommands];
    ASSERT_EQ(runner.recentCommands(recent, SimRunner::kRecentCommands), 2u);
    EXPECT_EQ(recent[0], startCommandFrame());
    EXPECT_EQ(recent[1], keyFrame(kKeyHoldUpper));

    // The key takes effect in the following frames.
    ASSERT_TRUE(eventually([&] {
        got.clear();
        const long i = port.readFrame(got);
        return i >= 0 && (got[static_cast<std::size_t>(i) + kOffStatusA] & kStatusAHold) != 0;
    }));
    EXPECT_GE(runner.framesSent(), 2u);
    runner.stop();
    EXPECT_FALSE(runner.running());
}

TEST(SimRunner, SilenceAndHangUpControlsWhileRunning) {
    SimRunner runner;
    SimOptions o;
    o.intervalMs = 50;
    const std::string path = runner.start(o);
    ASSERT_FALSE(path.empty());
    Port port(path);
    port.send(startCommandFrame());
    ASSERT_TRUE(eventually([&] { return runner.framesSent() >= 2; }));

    runner.setSilent(true);
    std::this_thread::sleep_for(100ms);  // let a frame already on the line finish
    tcflush(port.fd, TCIFLUSH);
    const std::uint64_t sent = runner.framesSent();
    pollfd pfd{port.fd, POLLIN, 0};
    EXPECT_EQ(::poll(&pfd, 1, 300), 0) << "a silent instrument sent something";
    EXPECT_EQ(runner.framesSent(), sent);

    runner.setSilent(false);
    ASSERT_TRUE(eventually([&] { return runner.framesSent() > sent; }));

    runner.hangUp();
    ASSERT_TRUE(eventually([&] { return runner.hungUp(); }));
    std::uint8_t buf[256];
    ssize_t n = 1;
    // Drain what was still queued; then the program's side must see the hang-up.
    for (int i = 0; i < 100 && n > 0; ++i) {
        n = ::read(port.fd, buf, sizeof buf);
    }
    EXPECT_LE(n, 0);
    runner.stop();
}

TEST(SimRunner, HangUpTimerEndsTheRun) {
    SimRunner runner;
    SimOptions o;
    o.hangupAfterSec = 0;
    const std::string path = runner.start(o);
    ASSERT_FALSE(path.empty());
    Port port(path);
    EXPECT_FALSE(runner.hungUp());  // the timer waits for a program to start the stream
    port.send(startCommandFrame());
    ASSERT_TRUE(eventually([&] { return runner.hungUp(); }));
    runner.stop();
}

}  // namespace
}  // namespace kr5061

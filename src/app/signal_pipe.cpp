#include "app/signal_pipe.h"

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

namespace kr5061 {

namespace {

int s_fds[2] = {-1, -1};
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

void onSignal(int signalNumber) {
    const char c = static_cast<char>(signalNumber);
    [[maybe_unused]] const auto n = ::write(s_fds[0], &c, 1);
}

}  // namespace

SignalPipe::SignalPipe() {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, s_fds) != 0) {
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(s_fds[1], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] {
        char c = 0;
        if (::read(s_fds[1], &c, 1) == 1) {
            emit interrupted(static_cast<unsigned char>(c));
        }
    });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : kSignals) {
        sigaction(s, &sa, nullptr);
    }
    // After a hang-up stderr may be a pipe nobody reads: a line written to it
    // must not kill the program before the run is saved or kept.
    ::signal(SIGPIPE, SIG_IGN);
}

SignalPipe::~SignalPipe() {
    // Back to the default: a signal after this ends the process as usual.
    struct sigaction sa {};
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    for (int s : kSignals) {
        sigaction(s, &sa, nullptr);
    }
    m_notifier.reset();
    for (int& fd : s_fds) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
}

}  // namespace kr5061

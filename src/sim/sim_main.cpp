// kr5061-sim: the simulated instrument on a pseudo-terminal.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

#include "sim/sim_command_line.h"
#include "sim/sim_runner.h"

namespace {

volatile sig_atomic_t g_stopSignal = 0;

void onSignal(int) {
    g_stopSignal = 1;
}

void installSignalHandlers() {
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    // A closed stdout (the reader of the first line went away) must not kill us.
    signal(SIGPIPE, SIG_IGN);
}

}  // namespace

int main(int argc, char** argv) {
    kr5061::SimCommandLine cli;
    std::string error;
    if (!kr5061::parseSimCommandLine(argc, argv, cli, error)) {
        std::cerr << "kr5061-sim: " << error << '\n';
        return 2;
    }
    if (cli.help) {
        std::cout << kr5061::simHelpText();
        return 0;
    }
    if (!cli.linkPath.empty() && !kr5061::prepareLinkPath(cli.linkPath, error)) {
        std::cerr << "kr5061-sim: " << error << '\n';
        return 2;
    }
    installSignalHandlers();

    kr5061::SimRunner runner;
    if (cli.verbose) {
        runner.setLog([](const std::string& line) { std::cerr << "kr5061-sim: " << line << '\n'; });
    }
    const std::string slave = runner.start(cli.options, &error);
    if (slave.empty()) {
        std::cerr << "kr5061-sim: cannot open a pseudo-terminal: " << error << '\n';
        return 1;
    }
    bool linked = false;
    if (!cli.linkPath.empty()) {
        linked = symlink(slave.c_str(), cli.linkPath.c_str()) == 0;
        if (!linked) {
            std::perror(("kr5061-sim: symlink " + cli.linkPath).c_str());
        }
    }
    std::cout << slave << std::endl;

    while (g_stopSignal == 0 && !runner.hungUp()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    runner.stop();
    if (linked) {
        unlink(cli.linkPath.c_str());
    }
    if (cli.verbose) {
        std::cerr << "kr5061-sim: " << runner.startCommands() << " start commands, "
                  << runner.keyFrames() << " keys, " << runner.pollsReceived() << " polls, "
                  << runner.framesSent() << " frames sent\n";
    }
    return 0;
}

#pragma once

#include <QApplication>
#include <memory>
#include <string>

#include "common/run_state.h"
#include "graph/live_graph.h"
#include "logger/logger_graph.h"
#include "logger/logger_store.h"
#include "sim/sim_runner.h"
#include "store/hyg_doc.h"

namespace kr5061 {

class CMSComm;
class CMainFrame;
class RunRecovery;
class SignalPipe;

// The application: creates the document, the shared state, the serial port
// and the main frame with its view, and shows the window maximised.
class CHygApp : public QApplication {
    Q_OBJECT
public:
    CHygApp(int& argc, char** argv);
    ~CHygApp() override;

    // Processes the command line and creates the window; false ends the
    // program with failureCode(). An unknown option or a stray argument
    // prints `usage` on stderr and ends it with the usage exit code.
    bool InitInstance(const std::string& usage);
    int failureCode() const { return m_failureCode; }

    CMainFrame* mainFrame() const { return m_frame.get(); }

private:
    // SIGTERM, SIGINT, SIGHUP: settings written, run journal kept, no question
    // left open; the exit code is 128 + the signal's number, as shells expect.
    void endBySignal(int signalNumber);

    std::unique_ptr<LiveState> m_state;
    std::unique_ptr<CHygDoc> m_doc;
    std::unique_ptr<LiveGraph> m_graph;
    std::unique_ptr<LoggerStore> m_loggerStore;
    std::unique_ptr<LoggerGraph> m_loggerGraph;
    std::unique_ptr<SimRunner> m_sim;
    std::unique_ptr<CMSComm> m_comm;
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<SignalPipe> m_signals;
    std::unique_ptr<RunRecovery> m_recovery;
    int m_endSignal = 0;
    int m_failureCode = 1;
};

}  // namespace kr5061

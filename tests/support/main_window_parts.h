#pragma once

#include <memory>

#include "app/main_frame.h"
#include "common/run_state.h"
#include "graph/live_graph.h"
#include "link/ms_comm.h"
#include "logger/logger_graph.h"
#include "logger/logger_store.h"
#include "store/hyg_doc.h"

namespace kr5061::test {

// What the application makes a main window of, created as it creates them.
// A frame made from the parts must be destroyed before them.
struct MainWindowParts {
    std::unique_ptr<LiveState> state = std::make_unique<LiveState>();
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    std::unique_ptr<LiveGraph> graph = makeLiveGraph();
    std::unique_ptr<LoggerStore> loggerStore = makeLoggerStore();
    std::unique_ptr<LoggerGraph> loggerGraph = makeLoggerGraph();
    std::unique_ptr<CMSComm> comm = std::make_unique<CMSComm>();

    std::unique_ptr<CMainFrame> makeFrame() const {
        return std::make_unique<CMainFrame>(*state, *doc, *graph, *comm, *loggerStore,
                                            *loggerGraph);
    }
};

}  // namespace kr5061::test

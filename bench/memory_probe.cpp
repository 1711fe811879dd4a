// kr5061-memory-probe: resident memory of the real windows at three points.
// Builds the main frame as the program does with --simulate (link up, no run),
// then fills a run of 10000 samples and paints it, then opens the logger and
// downloads 100 sets of 10000 records from a generated file. Prints VmRSS
// after each step. A benchmark tool only; the program has no such mode.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "app/main_frame.h"
#include "bench_data.h"
#include "graph/hyg_view.h"
#include "graph/live_graph.h"
#include "link/ms_comm.h"
#include "logger/logger_graph.h"
#include "logger/logger_store.h"
#include "logger/logger_wnd.h"
#include "sim/sim_runner.h"
#include "store/config.h"
#include "store/hyg_doc.h"
#include "store/measurement_file.h"

namespace kr5061 {
namespace {

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 16, '\n');
    }
    return -1;
}

void report(const char* point) {
    std::printf("%-34s VmRSS %7.1f MB\n", point, residentKiB() / 1024.0);
    std::fflush(stdout);
}

void settle(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

int probe() {
    auto state = std::make_unique<LiveState>();
    auto doc = std::make_unique<CHygDoc>();
    auto graph = makeLiveGraph();
    auto loggerStore = makeLoggerStore();
    auto loggerGraph = makeLoggerGraph();
    auto comm = std::make_unique<CMSComm>();
    SimRunner sim;
    std::string error;
    const std::string slave = sim.start(SimOptions{}, &error);
    if (slave.empty()) {
        std::fprintf(stderr, "no simulated instrument: %s\n", error.c_str());
        return 1;
    }
    comm->bindDevice(readComPort(), QString::fromStdString(slave));
    auto frame =
        std::make_unique<CMainFrame>(*state, *doc, *graph, *comm, *loggerStore, *loggerGraph);
    frame->resize(1920, 1080);
    frame->show();
    settle(3000);
    report("after start-up (link up, no run)");

    constexpr int kRun = 10000;
    fillBenchStore(doc->m_live, kRun);
    ViewState& view = state->view;
    view.m_sampleIndex = kRun;
    view.m_startTime = 1765000000;
    view.m_samplePeriodMs = 1000;
    for (int k = 0; k < 20; ++k) {  // the live scale settles over a few paints
        frame->view()->repaintGraph();
        settle(20);
    }
    std::printf("live scale: %d sample positions across the plot\n", graph->pointsPerScreen);
    report("after a full run of 10000 samples");

    QTemporaryDir dir;
    const QString file = QDir(dir.path()).filePath(QStringLiteral("probe.AsmDat"));
    const std::vector<std::uint8_t> bytes = encodeMeasurementFile(snapshotOfRun(*doc, view));
    std::ofstream(file.toStdString(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    frame->OnOpen();
    CLoggerWnd* logger = frame->loggerWindow();
    logger->setOpenPathChooser([file] { return file; });
    for (int s = 0; s < kLoggerSets; ++s) {
        logger->OnDownload();
        logger->grab();  // the paint adopts the loaded set
        settle(5);
    }
    settle(200);
    std::printf("logger sets stored: %d\n", loggerStore->lastSet + 1);
    report("after 100 logger sets loaded");
    sim.stop();
    return 0;
}

}  // namespace
}  // namespace kr5061

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    return kr5061::probe();
}

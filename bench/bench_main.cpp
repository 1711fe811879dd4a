// kr5061-bench: the paint benchmarks of both graphs and the QCustomPlot
// yardstick in one run, followed by the ratios that matter, taken from the
// medians (or the single runs) of the CPU times of this same run; the
// interleaved ratios come from paints timed in turn within one benchmark.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <map>
#include <string>

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (!r.error_occurred &&
                (r.run_type == Run::RT_Iteration || r.aggregate_name == "median")) {
                m_cpu[r.run_name.str()] = r.GetAdjustedCPUTime();
                const auto c = r.counters.find("live_over_qcp");
                if (c != r.counters.end()) {
                    m_paired[r.run_name.str()] = c->second.value;
                }
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        paired("GraphLiveVsQCustomPlot", "graph live / QCustomPlot, interleaved");
        paired("LoggerLiveVsQCustomPlot", "logger live / QCustomPlot, interleaved");
        ratio("GraphLivePaint", "QCustomPlotAdaptivePaint", "graph live / QCustomPlot");
        ratio("LoggerLivePaint", "QCustomPlotAdaptivePaint", "logger live / QCustomPlot");
        ratio("GraphZoomPaint/99", "GraphLivePaint", "graph zoom 99 / live");
        ratio("LoggerZoomPaint/99", "LoggerLivePaint", "logger zoom 99 / live");
    }

private:
    void ratio(const std::string& a, const std::string& b, const char* label) {
        const auto x = m_cpu.find(a), y = m_cpu.find(b);
        if (x != m_cpu.end() && y != m_cpu.end() && y->second > 0) {
            std::printf("ratio %-40s %.2f\n", label, x->second / y->second);
        }
    }
    void paired(const std::string& name, const char* label) {
        const auto x = m_paired.find(name);
        if (x != m_paired.end()) {
            std::printf("ratio %-40s %.2f\n", label, x->second);
        }
    }
    std::map<std::string, double> m_cpu;
    std::map<std::string, double> m_paired;
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    benchmark::Initialize(&argc, argv);
    QApplication app(argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

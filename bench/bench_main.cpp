// kr5061-bench: the paint benchmarks of both graphs and the QCustomPlot
// yardstick in one run, followed by the ratios that matter, taken from the
// medians (or the single runs) of the CPU times of this same run.

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
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        ratio("GraphLivePaint", "QCustomPlotAdaptivePaint", "graph live / QCustomPlot");
        ratio("LoggerLivePaint", "QCustomPlotAdaptivePaint", "logger live / QCustomPlot");
        ratio("GraphZoomPaint/99", "GraphLivePaint", "graph zoom 99 / live");
        ratio("LoggerZoomPaint/99", "LoggerLivePaint", "logger zoom 99 / live");
    }

private:
    void ratio(const std::string& a, const std::string& b, const char* label) {
        const auto x = m_cpu.find(a), y = m_cpu.find(b);
        if (x != m_cpu.end() && y != m_cpu.end() && y->second > 0) {
            std::printf("ratio %-28s %.2f\n", label, x->second / y->second);
        }
    }
    std::map<std::string, double> m_cpu;
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

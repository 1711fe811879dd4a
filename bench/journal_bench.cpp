// Cost of the run journal per committed sample on the thread that commits it:
// the record, its CRC and the hand-over to the journal's writer thread, which
// writes and syncs on its own; and, for comparison, the same with a wait until
// the sample is on the disk (what durability costs, dominated by the disk).
// Compare with the paint benchmarks in this program.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "common/run_state.h"
#include "store/hyg_doc.h"
#include "store/run_journal.h"

long benchAllocationCount();  // graph_bench.cpp counts operator new

namespace kr5061 {
namespace {

namespace fs = std::filesystem;

struct JournalBench {
    std::unique_ptr<CHygDoc> doc = std::make_unique<CHygDoc>();
    ViewState view;
    RunJournal journal;
    fs::path dir = fs::temp_directory_path() / ("kr5061-bench-" + std::to_string(::getpid()));
    fs::path file = dir / "bench.journal";

    JournalBench() {
        fs::create_directories(dir);
        for (int i = 0; i < kSampleCapacity; ++i)
            for (int c = 0; c < kChannelCount; ++c)
                doc->m_live[c][i] = 20.0f + 0.01f * static_cast<float>(i + c);
        view.m_startTime = 1765000000;
        view.m_samplePeriodMs = 1000;
        view.m_sampleLimit = 10000;
        view.m_unitText = "C";
    }
    ~JournalBench() {
        journal.discard();
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    // One committed sample; a full run starts a new journal (outside the timing).
    void commit(benchmark::State& state, bool waitForDisk) {
        if (view.m_sampleIndex >= view.m_sampleLimit) {
            state.PauseTiming();
            view.m_sampleIndex = 0;
            ++view.m_startTime;
            state.ResumeTiming();
        }
        ++view.m_sampleIndex;
        if (!journal.follow(file, *doc, view) || (waitForDisk && !journal.flush()))
            state.SkipWithError(journal.error().c_str());
    }
};

void JournalAppend(benchmark::State& state) {
    JournalBench b;
    b.commit(state, false);
    const long before = benchAllocationCount();
    for (auto _ : state)
        b.commit(state, false);
    state.counters["allocs_per_sample"] = benchmark::Counter(
        static_cast<double>(benchAllocationCount() - before) / state.iterations());
}

void JournalAppendAndSync(benchmark::State& state) {
    JournalBench b;
    for (auto _ : state)
        b.commit(state, true);
}

BENCHMARK(JournalAppend)->Unit(benchmark::kMicrosecond);
BENCHMARK(JournalAppendAndSync)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kr5061

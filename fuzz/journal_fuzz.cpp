// The run journal reader on any bytes: an intact prefix or a refusal, and a
// recovered prefix always makes a measurement file that reads back whole.
#include <cstdlib>
#include <memory>

#include "store/measurement_file.h"
#include "store/run_journal.h"
#include "store/text_export.h"

using namespace kr5061;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto run = std::make_unique<RecoveredRun>();
    JournalContents j;
    if (!parseJournal(data, size, j).ok())
        return 0;
    if (j.count < 0 || j.count > kSampleCapacity ||
        kJournalRecordsOffset + static_cast<std::size_t>(j.count) * kJournalRecordBytes > size)
        std::abort();
    run->run = j.run;
    run->count = j.count;
    for (int i = 0; i < j.count; ++i)
        for (int c = 0; c < kChannelCount; ++c)
            run->live[c][i] = j.sample(i, c);
    const std::vector<std::uint8_t> file = encodeMeasurementFile(run->snapshot());
    LoadedMeasurement back;
    if (!parseMeasurementFile(file.data(), file.size(), back).ok() || back.count != j.count)
        std::abort();
    // The table recover writes beside it, from whatever start and period the header holds.
    if (j.count <= 64)
        (void)formatTextTable(tableInputOf(run->snapshot()));
    return 0;
}

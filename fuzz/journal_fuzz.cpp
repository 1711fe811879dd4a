// The run journal reader on any bytes: an intact prefix or a refusal, and a
// recovered prefix, or a salvaged run, always makes a measurement file that
// reads back whole.
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
    for (const bool salvage : {false, true}) {
        takeJournalRun(j, salvage, *run);
        if (run->count != (salvage ? j.salvageEnd : j.count) || run->count > j.places)
            std::abort();
        const std::vector<std::uint8_t> file = encodeMeasurementFile(run->snapshot());
        LoadedMeasurement back;
        if (!parseMeasurementFile(file.data(), file.size(), back).ok() || back.count != run->count)
            std::abort();
    }
    // The table recover writes beside it, from whatever start and period the header holds.
    if (j.count <= 64)
        (void)formatTextTable(tableInputOf(run->snapshot()));
    return 0;
}

#pragma once

// Whether a headless recording may write to an output file, decided before it
// waits for the instrument, so nothing is found out only after a whole run.

#include <filesystem>
#include <string>

namespace kr5061 {

struct RecordOutputCheck {
    enum class Verdict {
        kFree,             // go on: create the journal and record
        kNoFolder,         // the folder is missing or not a folder
        kJournalInUse,     // another process holds the journal (holder: its id, 0 unknown)
        kJournalHoldsRun,  // the journal holds a run that was never saved: recover it first
        kExists,           // the measurement file or its table exists, and replacing was not asked
    };
    Verdict verdict = Verdict::kFree;
    std::filesystem::path path;  // the folder, journal or file the verdict is about
    long holder = 0;
    // Set when a journal that only blocked the name was removed on the way:
    // one holding no record, or one whose run is exactly the file beside it.
    std::string note;
};

// Looks at the folder of `out`, the journal beside it and the files a save
// would write. A journal nobody holds that holds no record, or whose run is
// already saved in `out`, is removed (and `note` says so); every other
// journal is left as it is.
RecordOutputCheck checkRecordOutput(const std::filesystem::path& out, bool replace);

}  // namespace kr5061

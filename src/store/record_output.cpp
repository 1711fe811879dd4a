#include "store/record_output.h"

#include <memory>
#include <system_error>

#include "store/journal_recovery.h"
#include "store/measurement_file.h"
#include "store/run_journal.h"

namespace kr5061 {
namespace fs = std::filesystem;

namespace {

using Verdict = RecordOutputCheck::Verdict;

RecordOutputCheck verdict(Verdict v, fs::path path, long holder = 0) {
    RecordOutputCheck c;
    c.verdict = v;
    c.path = std::move(path);
    c.holder = holder;
    return c;
}

// A journal left beside the output: gone when it only blocks the name, else in the way.
RecordOutputCheck checkLeftJournal(const fs::path& journal, const fs::path& out) {
    JournalLock lock;
    if (!lock.acquire(journal))
        return verdict(Verdict::kJournalInUse, journal, journalLockHolder(journal));
    std::string note;
    if (journalFileHoldsNoRecord(journal)) {
        note = journal.string() + " held no sample and was removed.";
    } else {
        auto run = std::make_unique<RecoveredRun>();
        // Killed between its save and the journal's removal: the run is safe.
        if (!readJournalRun(journal, *run).ok() || !isSavedAs(out, *run))
            return verdict(Verdict::kJournalHoldsRun, journal);
        note = journal.string() + " held the run already saved in " + out.string() +
               "; it was removed.";
    }
    std::string error;
    if (!lock.remove(&error))
        return verdict(Verdict::kJournalHoldsRun, journal);
    RecordOutputCheck c;
    c.note = note;
    return c;
}

}  // namespace

RecordOutputCheck checkRecordOutput(const fs::path& out, bool replace) {
    const fs::path folder = out.has_parent_path() ? out.parent_path() : fs::path(".");
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        return verdict(Verdict::kNoFolder, folder);
    const fs::path journal = journalPathFor(out);
    RecordOutputCheck result;
    if (isJournalLocked(journal))
        return verdict(Verdict::kJournalInUse, journal, journalLockHolder(journal));
    if (fs::exists(fs::symlink_status(journal, ec))) {
        result = checkLeftJournal(journal, out);
        if (result.verdict != Verdict::kFree)
            return result;
    }
    if (!replace) {
        for (const fs::path& p : {out, textTablePathFor(out)}) {
            if (fs::exists(fs::symlink_status(p, ec))) {
                RecordOutputCheck exists = verdict(Verdict::kExists, p);
                exists.note = result.note;
                return exists;
            }
        }
    }
    return result;
}

}  // namespace kr5061

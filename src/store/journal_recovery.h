#pragma once

// Runs a journal kept when they were not saved: where the window keeps its
// journals, what it says about one left behind, how a left journal becomes a
// measurement file again, and where a run goes when its own journal is lost.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "store/journal_format.h"
#include "store/measurement_file.h"

namespace kr5061 {

class CHygDoc;
struct ViewState;

// The program's state directory, for files that are not settings but must
// survive a restart:
//   KR5061_CONFIG_DIR when set and non-empty (the settings' directory, so
//   tests stay private); on Windows %LOCALAPPDATA%\kr5061; elsewhere
//   $XDG_STATE_HOME/kr5061, else $HOME/.local/state/kr5061; else "kr5061" in
//   the current directory.
std::filesystem::path stateDirectory();

// stateDirectory(), created (with its parents) when missing. False with
// `error` when it cannot be created.
bool makeStateDirectory(std::filesystem::path& dir, std::string* error);

// The journal of one run of the window, unique per process and run:
// "run-<local start yyyymmdd-HHMMSS>-<pid>-<run number>.journal".
std::filesystem::path windowJournalPath(const std::filesystem::path& dir, std::int64_t startTime,
                                        long pid, int runNumber);

// The journals (files ending in ".journal") directly in `dir`, oldest name
// first; none when the directory is missing.
std::vector<std::filesystem::path> journalsIn(const std::filesystem::path& dir);

// "A run of N samples started DATE TIME was not saved when the program last
// ended." with DATE TIME the run's local start as "%d/%m/%y %H:%M:%S", the
// way the graph bar shows a start.
std::string recoveryPromptText(const JournalRun& run, int count);

// Suggested name of the recovered run's file: its local start as
// "%y-%m-%d %H.%M.%S", the form Save suggests for a new file.
std::string recoveryFileName(const StartFields& start);

// Puts a recovered run into the recall buffer exactly as loading its saved
// file would, and marks it loaded, so the logger window adopts it as a data
// set like a Download.
void loadRecoveredRun(const RecoveredRun& run, CHygDoc& doc, ViewState& view);

// ---- a journal back to a measurement file --------------------------------

// Saves the measurement file and then its table, each only under a name no
// file has: an existing file is never replaced, not even one another process
// creates at the same moment, and the two are written as a pair (when the
// table's name is taken, the measurement file written here is taken back).
struct NewSaveResult {
    SaveResult saved;                // ok, the paths written, or the failure
    std::filesystem::path existing;  // the file in the way, when that was the failure
};
NewSaveResult saveMeasurementAsNew(const std::filesystem::path& measurementPath,
                                   const RunSnapshot& run);

// The measurement file at `path` holds exactly `run` (the bytes Save writes
// for it) and its table is beside it: the run was saved and its journal is no
// longer needed.
bool isSavedAs(const std::filesystem::path& path, const RecoveredRun& run);

enum class RecoverStatus {
    kSaved,
    kAlreadySaved,  // the output holds exactly this run; the journal was removed
    kEmpty,         // the journal holds no record; it was removed
    kLocked,        // a live process is recording into the journal, or recovering it
    kOutputExists,  // the measurement file or its table exists; nothing written
    kUnreadable,    // not a journal, damaged header, newer version or unreadable
    kSaveFailed,    // the measurement file or its table could not be written
};

struct RecoverResult {
    RecoverStatus status = RecoverStatus::kUnreadable;
    std::unique_ptr<RecoveredRun> run;  // what was read (count, damage, salvage)
    JournalResult read;                 // why the journal was refused (kUnreadable)
    std::filesystem::path existing;     // the file in the way (kOutputExists)
    SaveResult saved;                   // paths written, or the failure (kSaveFailed)
    std::string removeError;            // set when removal was asked for and failed
};

// Writes the measurement file and its table at `out` from the journal,
// holding the journal's lock meanwhile, never replacing an existing file. With
// `salvage`, intact records after a damaged one are kept (takeJournalRun).
// With removeAfterSave the journal is deleted once both files are written; a
// journal whose run is already saved at `out`, and one holding no record, are
// deleted in any case.
RecoverResult recoverJournal(const std::filesystem::path& journal, const std::filesystem::path& out,
                             bool removeAfterSave, bool salvage = false);

// Keeps a run whose own journal was lost: a new journal of its committed
// samples in the state directory (where the window offers it at its next
// start), waited for until it is on the disk. Its path, or empty with `error`.
std::filesystem::path keepInStateDirectory(const CHygDoc& doc, const ViewState& view, long pid,
                                           std::string* error);

}  // namespace kr5061

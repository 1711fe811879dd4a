#pragma once

// The run journal keeps every committed sample of a run on disk from the
// moment it is committed, so a crash, a kill or a power cut loses at most the
// last second of a run instead of all of it.
//
// Recording (whoever runs the sample clock owns one RunJournal):
//
//     RunJournal journal;
//     if (sampleTick(state, doc))                        // a sample was committed
//         journal.follow(path, doc, state.view, nowMs);  // starts the file at a run's
//                                                         // first sample, then appends
//     journal.syncIfDue(nowMs);           // from any timer: flushes what is still pending
//     journal.discard();                  // after saveMeasurement() succeeded, or the
//                                         // user chose not to keep the run
//     journal.close();                    // ending without a save: the file stays
//
// While a RunJournal has its file open it holds an exclusive flock on it, so
// another process can tell a live journal (isJournalLocked) from one left by a
// run that ended without being saved. nowMs is any monotonic clock in
// milliseconds; nothing here reads a clock.
//
// Recovering (any process):
//
//     if (!isJournalLocked(p)) {
//         auto run = std::make_unique<RecoveredRun>();   // about 200 kB
//         if (readJournalRun(p, *run).ok())
//             saveMeasurement(out, run->snapshot());     // same bytes Save writes
//     }
//     recoverJournal(p, out)   // all of it, never overwriting a file (command line)
//
// File format (little-endian), version 1:
//   0    header slot A, 128 bytes      the newer valid slot of the two counts;
//   128  header slot B, 128 bytes      the writer alternates between them
//   256  records, 32 bytes each, record i at 256 + 32 i
// Header slot: "KR5061JN", u32 version, u32 generation, u32 run id, u32 0,
//   i64 start (calendar seconds), i32 year month day hour minute second (local
//   time of the start when recorded), i32 period seconds, i32 sample limit,
//   i32 gain, i32 offset, u8 Fahrenheit flag, u8 unit length (<= 32), 32 bytes
//   unit text, zero padding, u32 CRC-32 of bytes 0..123 at 124.
// Record: u32 index i, f32 AIR WB DP K/IR RH, u32 run id, u32 CRC-32 of bytes
//   0..27. The reader takes records in order while index, run id and CRC
//   match; everything from the first mismatch on (a torn or damaged tail, a
//   record from another run or out of place) is dropped.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "store/channels.h"
#include "store/measurement_file.h"
#include "store/text_export.h"

namespace kr5061 {

class CHygDoc;
struct ViewState;

inline constexpr std::string_view kJournalSuffix = ".journal";
inline constexpr std::size_t kJournalSlotBytes = 128;
inline constexpr std::size_t kJournalRecordsOffset = 2 * kJournalSlotBytes;
inline constexpr std::size_t kJournalRecordBytes = 32;
inline constexpr std::size_t kMaxJournalUnitBytes = 32;
// No journal we write is longer: records past the store's capacity cannot exist.
inline constexpr std::size_t kMaxJournalBytes =
    kJournalRecordsOffset + kJournalRecordBytes * static_cast<std::size_t>(kSampleCapacity);
// append() syncs at once unless the last sync is more recent than this.
inline constexpr std::int64_t kJournalMinSyncGapMs = 250;

// What the measurement file needs besides the samples.
struct JournalRun {
    std::int64_t startTime = 0;  // calendar seconds of sample 0
    StartFields start;           // local date and time of startTime when recorded
    int periodSeconds = 0;       // as the measurement file holds it
    int sampleLimit = 0;         // the run's planned number of samples
    bool fahrenheit = false;
    std::string unit;  // at most kMaxJournalUnitBytes bytes are kept
    int gain = 0;
    int offset = 0;
};

// The current run of the view as the journal and the measurement file see it.
JournalRun journalRunOf(const ViewState& view);

// Writes one run's journal. Not copyable; the destructor closes the file and
// keeps it.
class RunJournal {
public:
    RunJournal() = default;
    ~RunJournal();
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    // Call after every committed sample (whenever sampleTick returned true).
    // Starts the journal at `path` anew when none is open, when the path
    // differs, or when the view shows another run (another start time, or
    // fewer samples than journalled); then appends every committed sample not
    // yet in the file and syncs as append() does. False when the journal
    // could not be started or written; error() says why, the next call tries
    // again.
    bool follow(const std::filesystem::path& path, const CHygDoc& doc, const ViewState& view,
                std::int64_t nowMs);

    // Creates `path`, or empties it, for a new run, takes the lock and writes
    // the header durably. A file locked by another process is left untouched
    // and false returned (lockedByOther() then tells). A journal already open
    // here is closed first (or reused when it is the same path).
    bool start(const std::filesystem::path& path, const JournalRun& run);

    // Appends samples count()..committed-1 of the channel-major store
    // (committed is capped at kSampleCapacity). When the unit, the flag, the
    // gain or the offset of `view` changed since the header was written, the
    // header is rewritten first (into the other slot, so a torn header write
    // leaves the previous one valid). Syncs (fdatasync) at once unless the last
    // sync is less than kJournalMinSyncGapMs old; syncIfDue() then finishes
    // the job. Allocates nothing. On a write error returns false and keeps
    // count(): the same samples are written again by the next call.
    bool append(const float (*live)[kSampleCapacity], int committed, const ViewState& view,
                std::int64_t nowMs);

    // Syncs pending samples once kJournalMinSyncGapMs have passed since the
    // last sync; sync() does it unconditionally. False on a sync error.
    bool syncIfDue(std::int64_t nowMs);
    bool sync();

    // Syncs, unlocks and closes; the file stays for recovery.
    void close();
    // Deletes the file (the run was saved or is not wanted) and closes. False
    // with error() when it could not be deleted. Does nothing when not open.
    bool discard();

    bool isOpen() const { return m_fd >= 0; }
    bool pending() const { return m_pending; }
    int count() const { return m_count; }
    bool lockedByOther() const { return m_lockedByOther; }
    const std::filesystem::path& path() const { return m_path; }
    const std::string& error() const { return m_error; }

private:
    bool writeHeader();
    bool writeAll(const void* data, std::size_t size, std::uint64_t offset);
    bool headerOutdated(const ViewState& view) const;
    bool fail(const std::string& what, int err);

    int m_fd = -1;
    std::filesystem::path m_path;
    JournalRun m_run;
    std::uint32_t m_runId = 0;
    std::uint32_t m_generation = 0;
    int m_count = 0;
    bool m_pending = false;
    bool m_lockedByOther = false;
    bool m_ready = false;  // header written: records may follow
    bool m_haveSyncTime = false;
    std::int64_t m_lastSyncMs = 0;
    std::string m_error;
};

// ---- reading ------------------------------------------------------------

enum class JournalStatus {
    kOk,             // a valid header; the intact records follow
    kNotJournal,     // not a run journal at all
    kDamagedHeader,  // a journal whose header cannot be trusted (torn or corrupted)
    kNewerVersion,   // written by a later version of this program
    kReadFailed,     // the file could not be opened or read
};

struct JournalResult {
    JournalStatus status = JournalStatus::kReadFailed;
    std::string reason;  // readable detail when status is not kOk
    bool ok() const { return status == JournalStatus::kOk; }
};

// A parsed journal. The records are not copied: they point into the parsed
// bytes, count x kJournalRecordBytes.
struct JournalContents {
    JournalRun run;
    int count = 0;  // intact records in order, 0..kSampleCapacity
    const std::uint8_t* records = nullptr;
    bool tailDropped = false;  // bytes after the intact records were ignored
    float sample(int index, int channel) const;
};

// Any bytes in: the header and the intact prefix of the records, or a
// refusal. Reads only inside [data, data + size) and allocates nothing sized
// from the bytes.
JournalResult parseJournal(const std::uint8_t* data, std::size_t size, JournalContents& out);

// A journal read from a file, with its samples in a channel-major block like
// the document's live store. About 200 kB: create it on the heap.
struct RecoveredRun {
    JournalRun run;
    int count = 0;
    bool tailDropped = false;
    float live[kChannelCount][kSampleCapacity] = {};

    // What Save would have written for this run.
    RunSnapshot snapshot() const;
};

// Reads at most kMaxJournalBytes of the file, read-only, and parses them. A
// kReadFailed reason names the file; the others describe the contents only.
JournalResult readJournalRun(const std::filesystem::path& path, RecoveredRun& out);

// True while a live process holds the journal (a run is being recorded into
// it), this process's own RunJournal included; false for a journal left
// behind by a process that ended, and for a missing file.
bool isJournalLocked(const std::filesystem::path& path);

// Deletes a journal nobody holds. False with `error` when it is locked by a
// live process or cannot be deleted.
bool removeJournal(const std::filesystem::path& path, std::string* error);

// "F.AsmDat" -> "F.AsmDat.journal".
std::filesystem::path journalPathFor(const std::filesystem::path& measurementPath);
// "F.AsmDat.journal" -> "F.AsmDat"; a name without ".journal" gets ".AsmDat" appended.
std::filesystem::path recoveryPathFor(const std::filesystem::path& journalPath);

enum class RecoverStatus {
    kSaved,
    kLocked,        // a live process is recording into the journal
    kOutputExists,  // the measurement file or its table exists; nothing written
    kUnreadable,    // not a journal, damaged header, newer version or unreadable
    kSaveFailed,    // the measurement file or its table could not be written
};

struct RecoverResult {
    RecoverStatus status = RecoverStatus::kUnreadable;
    int count = 0;                   // samples recovered
    bool tailDropped = false;        // a torn or damaged tail was left out
    JournalResult read;              // why the journal was refused (kUnreadable)
    std::filesystem::path existing;  // the file in the way (kOutputExists)
    SaveResult saved;                // paths written, or the failure (kSaveFailed)
    std::string removeError;         // set when removal was asked for and failed
};

// Writes the measurement file and its table at `out` from the journal,
// through saveMeasurement, never replacing an existing file. With
// removeAfterSave the journal is deleted once both files are written.
RecoverResult recoverJournal(const std::filesystem::path& journal, const std::filesystem::path& out,
                             bool removeAfterSave);

}  // namespace kr5061

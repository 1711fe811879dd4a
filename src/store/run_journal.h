#pragma once

// The run journal keeps every committed sample of a run on disk from the
// moment it is committed, so a crash, a kill or a power cut loses at most the
// last second of a run instead of all of it.
//
// Recording (whoever runs the sample clock owns one RunJournal):
//
//     RunJournal journal;
//     journal.create(path, limit);    // optional: takes the file before the run starts
//     if (sampleTick(...).committed > 0)                // samples were committed
//         journal.follow(path, doc, state.view);        // starts the file at a run's
//                                                       // first sample, then appends
//     journal.discard();              // after saveMeasurement() succeeded, or the
//                                     // user chose not to keep the run
//     journal.close();                // ending without a save: the file stays
//
// Appends return at once: a SyncWriter writes and syncs (fdatasync) them on a
// thread of its own, in order, so neither the window nor the sample clock ever
// waits for the disk; durableCount() tells how many records are on the disk.
// The whole file is reserved when it is created (posix_fallocate), so a disk
// that fills during the run cannot cut the journal short.
//
// While a RunJournal has its file open it holds an exclusive flock on it, so
// another process can tell a live journal (isJournalLocked) from one left by a
// run that ended without being saved. A JournalLock holds a left journal the
// same way while it is offered, shown or recovered.
//
// Recovering: readJournalRun (journal_format.h) reads a journal whatever its
// state; recoverJournal (journal_recovery.h) writes the measurement file from it.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "store/journal_format.h"
#include "store/sync_writer.h"

namespace kr5061 {

class CHygDoc;
struct ViewState;

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

    // Called on the writer's thread when a write or a sync fails; set before
    // the journal is created.
    void setProblemHandler(SyncWriter::ProblemHandler handler) { m_onProblem = std::move(handler); }

    // Takes `path` for a run: creates the file (or takes one nobody holds),
    // locks it, empties it and reserves room for `records` records. A file
    // another process holds is left untouched (lockedByOther()). On failure
    // error() names the file and the reason and no file is left behind.
    bool create(const std::filesystem::path& path, int records);

    // Starts a run in the journal: creates `path` as create() does, with room
    // for the run's sample limit, unless it is the file already taken; then
    // queues both header slots. A run started before in the same file is
    // replaced.
    bool start(const std::filesystem::path& path, const JournalRun& run);

    // Queues samples count()..committed-1 of the channel-major store
    // (committed is capped at kSampleCapacity). When the unit, the flag, the
    // gain or the offset of `view` changed since the header was written, the
    // header is rewritten first (into the other slot, so a torn header write
    // leaves the previous one valid). False when no run was started or the
    // writer failed (error() says why).
    bool append(const float (*live)[kSampleCapacity], int committed, const ViewState& view);

    // Call after every committed sample. Starts the journal at `path` anew
    // when none is open, when the path differs, or when the view shows another
    // run (another start time, or fewer samples than journalled); then appends.
    bool follow(const std::filesystem::path& path, const CHygDoc& doc, const ViewState& view);

    // Waits until everything queued is on the disk; false when it cannot be.
    bool flush();
    // Flushes, unlocks and closes; the file stays for recovery, unless no
    // record was ever queued: a journal holding no record is removed.
    void close();
    // Deletes the file (the run was saved or is not wanted) and closes. False
    // with error() when it could not be deleted. Does nothing when not open.
    bool discard();

    // The file at path() is still the journal written here (not deleted, not
    // replaced) and at least as long as its durable records need.
    bool stillOnDisk() const;

    bool isOpen() const { return m_fd >= 0; }
    int count() const { return m_count; }
    int durableCount() const { return static_cast<int>(m_writer.durableMark()); }
    bool failed() const { return m_writer.failed(); }
    bool lockedByOther() const { return m_lockedByOther; }
    const std::filesystem::path& path() const { return m_path; }
    std::string error() const;

private:
    bool writeHeader();
    bool reserve(int records);
    bool fail(const std::string& what, int err);
    void startWriter();
    void closeFile();

    int m_fd = -1;
    std::filesystem::path m_path;
    SyncWriter m_writer;
    SyncWriter::ProblemHandler m_onProblem;
    JournalRun m_run;
    std::uint32_t m_runId = 0;
    std::uint32_t m_generation = 0;
    int m_count = 0;
    bool m_started = false;  // header queued: records may follow
    bool m_lockedByOther = false;
    std::string m_error;
};

// Holds a journal's lock for as long as it lives, so no other process
// records into it, offers it or deletes it meanwhile.
class JournalLock {
public:
    JournalLock() = default;
    ~JournalLock() { release(); }
    JournalLock(JournalLock&& other) noexcept;
    JournalLock& operator=(JournalLock&& other) noexcept;

    // False when the file cannot be opened or another process holds it
    // (heldByOther() then tells).
    bool acquire(const std::filesystem::path& path);
    // Deletes the file while still holding it, then lets it go. False with
    // `error` naming the file when it could not be deleted.
    bool remove(std::string* error);
    void release();

    bool held() const { return m_fd >= 0; }
    bool heldByOther() const { return m_heldByOther; }
    const std::filesystem::path& path() const { return m_path; }

private:
    int m_fd = -1;
    bool m_heldByOther = false;
    std::filesystem::path m_path;
};

// True while a live process holds the journal (a run is being recorded into
// it, or it is being offered or recovered), this process's own included;
// false for a journal left behind by a process that ended, and for a missing
// file.
bool isJournalLocked(const std::filesystem::path& path);

// The process that holds the journal's lock, when the system tells (0 when not).
long journalLockHolder(const std::filesystem::path& path);

// Deletes a journal nobody holds. False with `error` when it is locked by a
// live process or cannot be deleted.
bool removeJournal(const std::filesystem::path& path, std::string* error);

// "F.AsmDat" -> "F.AsmDat.journal".
std::filesystem::path journalPathFor(const std::filesystem::path& measurementPath);
// "F.AsmDat.journal" -> "F.AsmDat"; any other name ends in ".AsmDat" after
// ".journal" is taken off ("run-1.journal" -> "run-1.AsmDat").
std::filesystem::path recoveryPathFor(const std::filesystem::path& journalPath);

}  // namespace kr5061

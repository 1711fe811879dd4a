#pragma once

// The outbox keeps every committed sample on disk until the broker has
// acknowledged it, so a broker that is away, a lost network, a crash or a
// kill loses nothing: the next start sends what is left, in order.
//
// It is a folder of run journals, written by the run journal's own code (one
// file per run, named "<sequence>-<run id>.journal"), and a small file
// "acked" that says how far the broker has acknowledged: two CRC-sealed
// slots written in turn, 32 bytes each:
//   "KR5061OA", u32 generation, u64 file sequence, u32 samples acknowledged
//   in that file, u32 0, u32 CRC-32 of bytes 0..27.
// A file "lock" is held (flock) while a process uses the folder. Both the
// journals and "acked" are written and synced on writer threads of their
// own, so following a sample or an acknowledgement never waits for the disk.
//
//     Outbox box;
//     box.open(dir, capacity, &error);
//     box.follow(doc, view);                 // after every committed sample
//     while (box.take(sample, position))     // the next sample to publish
//         send(sample, position);
//     box.acknowledged(position);            // the broker acknowledged it
//     box.rewind();                          // the connection was lost
//     box.syncIfDue(nowMs);                  // at least once a second

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "publish/payloads.h"
#include "store/run_journal.h"

namespace kr5061 {

class CHygDoc;
struct ViewState;

// A sample's place: the file's sequence number and the index in its run.
struct OutboxPosition {
    std::uint64_t file = 0;
    std::uint32_t index = 0;
    auto operator<=>(const OutboxPosition&) const = default;
};

// One number for a position, to tag a message with.
inline std::uint64_t positionTag(const OutboxPosition& p) {
    return p.file << 32 | p.index;
}
inline OutboxPosition positionOfTag(std::uint64_t tag) {
    return {tag >> 32, static_cast<std::uint32_t>(tag)};
}

inline constexpr std::uint64_t kDefaultOutboxCapacity = 1000000;  // samples, about 32 MB
inline constexpr std::uint64_t kMinOutboxCapacity = 10;

class Outbox {
public:
    // Samples handed out and not yet acknowledged, at most.
    static constexpr int kWindow = 64;

    Outbox();
    ~Outbox();
    Outbox(const Outbox&) = delete;
    Outbox& operator=(const Outbox&) = delete;

    // Takes the folder (created when missing) and what earlier processes
    // left in it. False with `error` when it cannot be used, also when another
    // live process holds it.
    bool open(const std::filesystem::path& dir, std::uint64_t capacity, std::string* error);
    // Syncs; every file stays for the next start.
    void close();
    bool isOpen() const { return m_lockFd >= 0; }

    // Journals the view's committed samples not yet in the outbox; a new run
    // (another start time, or fewer samples) starts a new file. When the
    // outbox is over its capacity, the oldest samples are dropped and
    // droppedSinceLastAsked() tells how many. False with error() when the
    // file could not be written (the next call tries again).
    bool follow(const CHygDoc& doc, const ViewState& view);

    // The next sample to publish; false when every sample is handed out or
    // kWindow of them wait for acknowledgement.
    bool take(SampleFacts& out, OutboxPosition& position);
    // The broker acknowledged the sample; unknown positions are ignored.
    void acknowledged(const OutboxPosition& position);
    // The connection ended: whatever was not acknowledged goes again.
    void rewind();

    // Queues the acknowledged position for its file when due (once a second
    // at most; the writer thread syncs it). False with error() when a writer
    // of the outbox failed.
    bool syncIfDue(std::int64_t nowMs);

    std::uint64_t waiting() const;  // samples not yet acknowledged
    std::uint64_t dropped() const { return m_dropped; }
    // Samples dropped since the last call (for one message per drop).
    std::uint64_t droppedSinceLastAsked();
    const std::string& error() const { return m_error; }
    const std::filesystem::path& dir() const { return m_dir; }

private:
    struct RunFile {
        std::uint64_t seq = 0;
        std::uint32_t runId = 0;
        std::uint32_t count = 0;  // samples in the file
        JournalRun run;
    };
    struct Pending {
        OutboxPosition position;
        bool acked = false;
    };
    // The samples of one file in memory; seq 0 holds none.
    struct Held {
        std::uint64_t seq = 0;
        std::unique_ptr<RecoveredRun> samples = std::make_unique<RecoveredRun>();
    };

    bool scan(std::string* error);
    std::filesystem::path pathOf(const RunFile& f) const;
    RunFile* fileOf(std::uint64_t seq);
    bool startLiveFile(const ViewState& view);
    void endLiveFile();
    const RecoveredRun* samplesOf(const RunFile& f);
    void advanceHead();
    void dropOverCapacity();
    void removeFilesBeforeHead();
    bool writeAckState();
    std::uint64_t total() const;

    std::filesystem::path m_dir;
    std::uint64_t m_capacity = kDefaultOutboxCapacity;
    int m_lockFd = -1;
    int m_ackFd = -1;
    SyncWriter m_ackWriter;
    std::uint32_t m_ackGeneration = 0;
    std::vector<RunFile> m_files;  // in sequence order; the live one last
    std::uint64_t m_nextSeq = 1;
    // The live run's journal and the one of the run before it, which
    // finishes its writes on its own thread: it is closed only when the next
    // run ends, long after its last write reached the disk.
    RunJournal m_journals[2];
    int m_liveJournal = 0;
    bool m_live = false;  // m_files.back() is being written
    std::int64_t m_liveStart = 0;
    std::filesystem::path m_livePath;
    OutboxPosition m_head;    // first sample not acknowledged
    OutboxPosition m_cursor;  // next sample to hand out
    std::array<Pending, kWindow> m_pending;
    int m_pendingFirst = 0;
    int m_pendingCount = 0;
    // Samples come from memory for the live run and the one before it (their
    // journals may still be writing), from the disk for older runs.
    Held m_liveHeld, m_endedHeld, m_readHeld;
    std::uint64_t m_dropped = 0;
    std::uint64_t m_droppedReported = 0;
    OutboxPosition m_ackWritten;
    std::int64_t m_lastAckWriteMs = 0;
    bool m_ackWriteDue = false;
    std::string m_error;
};

}  // namespace kr5061

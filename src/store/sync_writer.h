#pragma once

// Writes one file in the order the writes were queued, on a thread of its
// own, and makes them durable there (fdatasync), so whoever queues them - the
// window's event loop, a sample clock - never waits for the disk. A slow disk
// only makes durability lag behind; it never delays the caller.
//
//     SyncWriter writer;
//     writer.start(fd, folder, onProblem);   // fd stays the caller's and must outlive
//                                            // the writer; onProblem runs on the thread
//     writer.write(offset, bytes, size, mark);   // copied; returns at once
//     writer.durableMark();     // the newest mark whose write, and every write queued
//                               // before it, reached the disk
//     writer.finish();          // waits until everything queued is durable (or failed)
//     writer.stop();            // ends the thread; what is still queued is dropped
//
// Order: the writes reach the file in queue order, each with pwrite at its
// offset; after each batch the thread syncs the file's data (fdatasync), and
// after the first successful sync also the folder (a new file's name is then
// durable too). Marks are caller-chosen counters that only grow, for example
// the number of records written so far.
//
// Failure: the first failing write or sync stops the writer: later writes are
// dropped, durableMark() stays at the last mark that was made durable, error()
// says what failed, and onProblem is called once (on the writer thread; a
// window posts it to its own thread).
//
// Memory: queued bytes go into one of two buffers that swap between the
// caller and the thread; once they have grown to the size of a burst,
// queuing allocates nothing.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kr5061 {

class SyncWriter {
public:
    using ProblemHandler = std::function<void()>;

    SyncWriter() = default;
    ~SyncWriter();
    SyncWriter(const SyncWriter&) = delete;
    SyncWriter& operator=(const SyncWriter&) = delete;

    // Starts the thread for `fd` (stopping a previous one first). `folder`,
    // when not empty, is synced once after the first successful data sync.
    void start(int fd, const std::filesystem::path& folder, ProblemHandler onProblem = {});
    bool running() const { return m_thread.joinable(); }

    // Queues `size` bytes for `offset`; `mark` becomes durable with them.
    // False (nothing queued) once the writer failed or when it is not running.
    bool write(std::uint64_t offset, const void* data, std::size_t size, std::uint64_t mark);

    // Waits until every queued write is durable or the writer failed; true
    // when everything queued is on the disk.
    bool finish();
    // Ends the thread without waiting for what is still queued.
    void stop();

    std::uint64_t durableMark() const;
    bool failed() const;
    std::string error() const;

private:
    struct Entry {
        std::uint64_t offset;
        std::size_t begin;  // into the bytes of its batch
        std::size_t size;
        std::uint64_t mark;
    };
    struct Batch {
        std::vector<Entry> entries;
        std::vector<std::uint8_t> bytes;
        void clear() {
            entries.clear();
            bytes.clear();
        }
    };

    void run();
    bool writeBatch(const Batch& batch, std::string& why) const;
    bool syncData(std::string& why) const;

    int m_fd = -1;
    std::filesystem::path m_folder;
    ProblemHandler m_onProblem;
    int m_syncDelayMs = 0;  // test builds only: a slow disk on demand

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;  // work queued, or stop asked
    std::condition_variable m_idle;  // a batch finished
    Batch m_queued;
    bool m_busy = false;  // the thread holds a batch that is not durable yet
    bool m_stopping = false;
    bool m_failed = false;
    std::string m_error;
    std::uint64_t m_durable = 0;
    std::thread m_thread;
};

}  // namespace kr5061

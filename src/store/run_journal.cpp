#include "store/run_journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>
#include <utility>

#include "common/run_state.h"
#include "store/hyg_doc.h"

namespace kr5061 {
namespace fs = std::filesystem;

namespace {

// Records queued with one call; a stack buffer, so nothing is allocated.
constexpr int kRecordsPerWrite = 64;

std::string describe(int err) {
    return std::generic_category().message(err);
}

fs::path folderOf(const fs::path& file) {
    return file.has_parent_path() ? file.parent_path() : fs::path(".");
}

// Makes a removed directory entry durable.
void syncFolder(const fs::path& file) {
    const int fd = ::open(folderOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Never 0: a record of zeros must not pass for one of this run.
std::uint32_t newRunId() {
    std::random_device rd;
    std::uint32_t id = 0;
    while (id == 0)
        id = static_cast<std::uint32_t>(rd());
    return id;
}

bool sameRunFields(const JournalRun& run, const ViewState& view) {
    return run.fahrenheit == view.m_fahrenheit && run.unit == journalUnit(view.m_unitText) &&
           run.gain == view.m_gain && run.offset == view.m_offset;
}

}  // namespace

JournalRun journalRunOf(const ViewState& view) {
    JournalRun run;
    run.startTime = view.m_startTime;
    run.start = startFieldsOf(view.m_startTime);
    run.periodSeconds = view.m_samplePeriodMs / 1000;
    run.sampleLimit = view.m_sampleLimit;
    run.fahrenheit = view.m_fahrenheit;
    run.unit = journalUnit(view.m_unitText);
    run.gain = view.m_gain;
    run.offset = view.m_offset;
    return run;
}

// ---- writing ------------------------------------------------------------

RunJournal::~RunJournal() {
    close();
}

bool RunJournal::fail(const std::string& what, int err) {
    m_error = m_path.string() + ": " + what + (err != 0 ? ": " + describe(err) : std::string());
    return false;
}

std::string RunJournal::error() const {
    if (m_writer.failed())
        return m_path.string() + ": " + m_writer.error();
    return m_error;
}

void RunJournal::startWriter() {
    m_writer.start(m_fd, folderOf(m_path), m_onProblem);
}

// Empties the file and reserves its whole length, so the records never need
// room the disk no longer has.
bool RunJournal::reserve(int records) {
    if (::ftruncate(m_fd, 0) != 0)
        return fail("cannot empty the journal", errno);
    const int err = ::posix_fallocate(m_fd, 0, static_cast<off_t>(journalBytesFor(records)));
    return err == 0 || fail("no room for the journal", err);
}

bool RunJournal::create(const fs::path& path, int records) {
    close();
    m_path = path;
    m_error.clear();
    m_lockedByOther = false;
    m_started = false;
    m_count = 0;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EEXIST)
        fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return fail("cannot create the journal", errno);
    // Locked before anything is changed: a live journal of another process stays intact.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        m_lockedByOther = err == EWOULDBLOCK;
        return fail(m_lockedByOther ? "in use by another running recording" : "cannot lock it",
                    m_lockedByOther ? 0 : err);
    }
    m_fd = fd;
    if (!reserve(records)) {
        // Emptied above, so it holds nothing: no file that only blocks the name stays.
        ::unlink(path.c_str());
        closeFile();
        return false;
    }
    startWriter();
    return true;
}

bool RunJournal::writeHeader() {
    std::uint8_t slot[kJournalSlotBytes];
    const std::uint32_t generation = m_generation + 1;
    encodeJournalSlot(slot, m_run, generation, m_runId);
    if (!m_writer.write(((generation - 1) % 2) * kJournalSlotBytes, slot, sizeof slot,
                        static_cast<std::uint64_t>(m_count)))
        return false;
    m_generation = generation;
    return true;
}

bool RunJournal::start(const fs::path& path, const JournalRun& run) {
    if (!isOpen() || path != m_path) {
        if (!create(path, run.sampleLimit))
            return false;
    } else if (m_started) {
        // Another run in the same file: what the previous one wrote goes first.
        m_writer.stop();
        if (!reserve(run.sampleLimit))
            return false;
        startWriter();
    }
    m_run = run;
    m_run.unit = journalUnit(run.unit);
    m_runId = newRunId();
    m_count = 0;
    // Both slots: one damaged slot never costs the run. Slot A counts (generation 1).
    std::uint8_t head[kJournalRecordsOffset];
    encodeJournalSlot(head, m_run, 1, m_runId);
    encodeJournalSlot(head + kJournalSlotBytes, m_run, 0, m_runId);
    m_generation = 1;
    if (!m_writer.write(0, head, sizeof head, 0))
        return false;
    m_started = true;
    return true;
}

bool RunJournal::append(const float (*live)[kSampleCapacity], int committed,
                        const ViewState& view) {
    if (!isOpen() || !m_started)
        return false;
    if (!sameRunFields(m_run, view)) {
        m_run.fahrenheit = view.m_fahrenheit;
        m_run.unit = journalUnit(view.m_unitText);
        m_run.gain = view.m_gain;
        m_run.offset = view.m_offset;
        if (!writeHeader())
            return false;
    }
    const int end = std::min(committed, kSampleCapacity);
    std::uint8_t buf[kRecordsPerWrite * kJournalRecordBytes];
    while (m_count < end) {
        const int n = std::min(end - m_count, kRecordsPerWrite);
        for (int k = 0; k < n; ++k)
            encodeJournalRecord(buf + k * kJournalRecordBytes, live, m_count + k, m_runId);
        const std::uint64_t at =
            kJournalRecordsOffset + static_cast<std::uint64_t>(m_count) * kJournalRecordBytes;
        if (!m_writer.write(at, buf, static_cast<std::size_t>(n) * kJournalRecordBytes,
                            static_cast<std::uint64_t>(m_count + n)))
            return false;
        m_count += n;
    }
    return true;
}

bool RunJournal::follow(const fs::path& path, const CHygDoc& doc, const ViewState& view) {
    const bool newRun = !isOpen() || !m_started || path != m_path ||
                        view.m_startTime != m_run.startTime || view.m_sampleIndex < m_count;
    if (newRun && !start(path, journalRunOf(view)))
        return false;
    return append(doc.m_live, view.m_sampleIndex, view);
}

bool RunJournal::flush() {
    return isOpen() && m_writer.finish();
}

void RunJournal::closeFile() {
    m_writer.stop();
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
    m_started = false;
}

void RunJournal::close() {
    if (!isOpen())
        return;
    m_writer.finish();
    if (m_count == 0 && ::unlink(m_path.c_str()) == 0)
        syncFolder(m_path);  // held no record: nothing to recover, nothing to block the name
    closeFile();
}

bool RunJournal::discard() {
    if (!isOpen())
        return true;
    // Deleted while still locked, so nobody can take it in between.
    const bool removed = ::unlink(m_path.c_str()) == 0 || errno == ENOENT;
    const int err = errno;
    closeFile();
    if (!removed)
        return fail("cannot delete the journal", err);
    syncFolder(m_path);
    return true;
}

bool RunJournal::stillOnDisk() const {
    struct stat open {
    }, named{};
    if (!isOpen() || ::fstat(m_fd, &open) != 0 || open.st_nlink == 0 ||
        ::stat(m_path.c_str(), &named) != 0)
        return false;
    const auto needed = static_cast<off_t>(journalBytesFor(durableCount()));
    return open.st_dev == named.st_dev && open.st_ino == named.st_ino && open.st_size >= needed;
}

// ---- holding and removing -----------------------------------------------

JournalLock::JournalLock(JournalLock&& other) noexcept
    : m_fd(std::exchange(other.m_fd, -1)),
      m_heldByOther(other.m_heldByOther),
      m_path(std::move(other.m_path)) {}

JournalLock& JournalLock::operator=(JournalLock&& other) noexcept {
    if (this != &other) {
        release();
        m_fd = std::exchange(other.m_fd, -1);
        m_heldByOther = other.m_heldByOther;
        m_path = std::move(other.m_path);
    }
    return *this;
}

bool JournalLock::acquire(const fs::path& path) {
    release();
    m_path = path;
    m_heldByOther = false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        m_heldByOther = errno == EWOULDBLOCK;
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

bool JournalLock::remove(std::string* error) {
    const bool removed = held() && ::unlink(m_path.c_str()) == 0;
    const int err = held() ? errno : EBADF;
    release();
    if (!removed) {
        if (error != nullptr)
            *error = m_path.string() + ": " + describe(err);
        return false;
    }
    syncFolder(m_path);
    return true;
}

void JournalLock::release() {
    if (m_fd >= 0) {
        ::close(m_fd);  // closing the last descriptor drops the lock
        m_fd = -1;
    }
}

bool isJournalLocked(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool locked = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);  // releases our own lock, if we got one
    return locked;
}

long journalLockHolder(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return 0;
    // Linux lists every lock with its process: "1: FLOCK ADVISORY WRITE 1234 08:01:5678 0 EOF".
    // The device part is the file system's own, which a stacked file system hides,
    // so the inode number decides.
    const std::string inode = ":" + std::to_string(st.st_ino);
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string id, kind, mode, access, where;
        long pid = 0;
        if (fields >> id >> kind >> mode >> access >> pid >> where && kind == "FLOCK" &&
            where.ends_with(inode))
            return pid;
    }
    return 0;
}

bool removeJournal(const fs::path& path, std::string* error) {
    JournalLock lock;
    if (!lock.acquire(path)) {
        if (error != nullptr)
            *error = path.string() + ": " +
                     (lock.heldByOther() ? std::string("in use by a running recording")
                                         : describe(errno));
        return false;
    }
    return lock.remove(error);
}

fs::path journalPathFor(const fs::path& measurementPath) {
    fs::path p = measurementPath;
    p += std::string(kJournalSuffix);
    return p;
}

fs::path recoveryPathFor(const fs::path& journalPath) {
    std::string name = journalPath.string();
    if (name.size() > kJournalSuffix.size() && name.ends_with(kJournalSuffix))
        name.resize(name.size() - kJournalSuffix.size());
    return measurementPathFor(name);
}

}  // namespace kr5061

#include "store/sync_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <utility>

namespace kr5061 {

namespace {

std::string describe(const char* what, int err) {
    return std::string(what) + ": " + std::generic_category().message(err);
}

// A file system that cannot sync a folder (EINVAL) has nothing more to give.
bool syncFolder(const std::filesystem::path& folder, std::string& why) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        why = describe("cannot open the folder to sync it", errno);
        return false;
    }
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
    if (!ok)
        why = describe("cannot sync the folder", errno);
    ::close(fd);
    return ok;
}

}  // namespace

SyncWriter::~SyncWriter() {
    stop();
}

void SyncWriter::start(int fd, const std::filesystem::path& folder, ProblemHandler onProblem) {
    stop();
    m_fd = fd;
    m_folder = folder;
    m_onProblem = std::move(onProblem);
    m_failed = false;
    m_error.clear();
    m_durable = 0;
    m_syncDelayMs = 0;
#ifdef KR5061_TEST_HOOKS
    // End-to-end tests make the disk slow without a slow disk.
    if (const char* delay = std::getenv("KR5061_TEST_SYNC_DELAY_MS"))
        m_syncDelayMs = std::atoi(delay);
#endif
    m_thread = std::thread([this] { run(); });
}

bool SyncWriter::write(std::uint64_t offset, const void* data, std::size_t size,
                       std::uint64_t mark) {
    {
        std::lock_guard lock(m_mutex);
        if (m_failed || !m_thread.joinable())
            return false;
        const std::size_t begin = m_queued.bytes.size();
        const auto* p = static_cast<const std::uint8_t*>(data);
        m_queued.bytes.insert(m_queued.bytes.end(), p, p + size);
        m_queued.entries.push_back(Entry{offset, begin, size, mark});
    }
    m_wake.notify_one();
    return true;
}

bool SyncWriter::finish() {
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] {
        return m_failed || !m_thread.joinable() || (!m_busy && m_queued.entries.empty());
    });
    return !m_failed && m_queued.entries.empty();
}

void SyncWriter::stop() {
    if (!m_thread.joinable())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_thread.join();
    std::lock_guard lock(m_mutex);
    m_stopping = false;
    m_busy = false;
    m_queued.clear();
    m_idle.notify_all();
}

std::uint64_t SyncWriter::durableMark() const {
    std::lock_guard lock(m_mutex);
    return m_durable;
}

bool SyncWriter::failed() const {
    std::lock_guard lock(m_mutex);
    return m_failed;
}

std::string SyncWriter::error() const {
    std::lock_guard lock(m_mutex);
    return m_error;
}

bool SyncWriter::writeBatch(const Batch& batch, std::string& why) const {
    for (const Entry& e : batch.entries) {
        const std::uint8_t* p = batch.bytes.data() + e.begin;
        std::size_t left = e.size;
        std::uint64_t at = e.offset;
        while (left > 0) {
            const ssize_t n = ::pwrite(m_fd, p, left, static_cast<off_t>(at));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                why = describe("cannot write", n < 0 ? errno : ENOSPC);
                return false;
            }
            p += n;
            left -= static_cast<std::size_t>(n);
            at += static_cast<std::uint64_t>(n);
        }
    }
    return true;
}

bool SyncWriter::syncData(std::string& why) const {
    if (m_syncDelayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(m_syncDelayMs));
    if (::fdatasync(m_fd) != 0) {
        why = describe("cannot flush to disk", errno);
        return false;
    }
    return true;
}

void SyncWriter::run() {
    Batch working;
    bool folderSynced = m_folder.empty();
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stopping || !m_queued.entries.empty(); });
            if (m_stopping)
                return;
            std::swap(working, m_queued);
            m_busy = true;
        }
        std::string why;
        bool ok = writeBatch(working, why) && syncData(why);
        if (ok && !folderSynced)
            ok = folderSynced = syncFolder(m_folder, why);
        const std::uint64_t mark = working.entries.back().mark;
        working.clear();
        {
            std::lock_guard lock(m_mutex);
            m_busy = false;
            if (ok) {
                m_durable = std::max(m_durable, mark);
            } else {
                m_failed = true;
                m_error = why;
                m_queued.clear();
            }
        }
        m_idle.notify_all();
        if (!ok && m_onProblem)
            m_onProblem();
    }
}

}  // namespace kr5061

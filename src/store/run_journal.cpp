#include "store/run_journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <memory>
#include <random>
#include <system_error>

#include "common/run_state.h"
#include "store/crc32.h"
#include "store/hyg_doc.h"

namespace kr5061 {
namespace fs = std::filesystem;

namespace {

constexpr char kMagic[8] = {'K', 'R', '5', '0', '6', '1', 'J', 'N'};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kSlotCrcOffset = kJournalSlotBytes - 4;
constexpr std::size_t kRecordCrcOffset = kJournalRecordBytes - 4;
// Records written with one call; a stack buffer, so nothing is allocated.
constexpr int kRecordsPerWrite = 64;

// Header slot field offsets.
constexpr std::size_t kOffVersion = 8, kOffGeneration = 12, kOffRunId = 16, kOffStart = 24,
                      kOffFields = 32, kOffPeriod = 56, kOffLimit = 60, kOffGain = 64,
                      kOffOffset = 68, kOffFlag = 72, kOffUnitLength = 73, kOffUnit = 74;
static_assert(kOffUnit + kMaxJournalUnitBytes <= kSlotCrcOffset);

void putU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void putI32(std::uint8_t* p, std::int32_t v) {
    putU32(p, static_cast<std::uint32_t>(v));
}
void putI64(std::uint8_t* p, std::int64_t v) {
    const auto u = static_cast<std::uint64_t>(v);
    putU32(p, static_cast<std::uint32_t>(u));
    putU32(p + 4, static_cast<std::uint32_t>(u >> 32));
}
std::uint32_t getU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::int32_t getI32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(getU32(p));
}
std::int64_t getI64(const std::uint8_t* p) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(getU32(p)) |
                                     static_cast<std::uint64_t>(getU32(p + 4)) << 32);
}

std::string_view keptUnit(std::string_view unit) {
    return unit.substr(0, std::min(unit.size(), kMaxJournalUnitBytes));
}

void encodeSlot(std::uint8_t* slot, const JournalRun& run, std::uint32_t generation,
                std::uint32_t runId) {
    std::memset(slot, 0, kJournalSlotBytes);
    std::memcpy(slot, kMagic, sizeof kMagic);
    putU32(slot + kOffVersion, kVersion);
    putU32(slot + kOffGeneration, generation);
    putU32(slot + kOffRunId, runId);
    putI64(slot + kOffStart, run.startTime);
    const int fields[6] = {run.start.year, run.start.month,  run.start.day,
                           run.start.hour, run.start.minute, run.start.second};
    for (int i = 0; i < 6; ++i)
        putI32(slot + kOffFields + 4 * i, fields[i]);
    putI32(slot + kOffPeriod, run.periodSeconds);
    putI32(slot + kOffLimit, run.sampleLimit);
    putI32(slot + kOffGain, run.gain);
    putI32(slot + kOffOffset, run.offset);
    slot[kOffFlag] = run.fahrenheit ? 1 : 0;
    const std::string_view unit = keptUnit(run.unit);
    slot[kOffUnitLength] = static_cast<std::uint8_t>(unit.size());
    std::memcpy(slot + kOffUnit, unit.data(), unit.size());
    putU32(slot + kSlotCrcOffset, crc32(0, slot, kSlotCrcOffset));
}

void encodeRecord(std::uint8_t* rec, const float (*live)[kSampleCapacity], int index,
                  std::uint32_t runId) {
    putU32(rec, static_cast<std::uint32_t>(index));
    for (int c = 0; c < kChannelCount; ++c)
        putU32(rec + 4 + 4 * c, std::bit_cast<std::uint32_t>(live[c][index]));
    putU32(rec + 24, runId);
    putU32(rec + kRecordCrcOffset, crc32(0, rec, kRecordCrcOffset));
}

void decodeSlot(const std::uint8_t* slot, JournalRun& run) {
    run.startTime = getI64(slot + kOffStart);
    std::int32_t f[6];
    for (int i = 0; i < 6; ++i)
        f[i] = getI32(slot + kOffFields + 4 * i);
    run.start = StartFields{f[0], f[1], f[2], f[3], f[4], f[5]};
    run.periodSeconds = getI32(slot + kOffPeriod);
    run.sampleLimit = getI32(slot + kOffLimit);
    run.gain = getI32(slot + kOffGain);
    run.offset = getI32(slot + kOffOffset);
    run.fahrenheit = slot[kOffFlag] != 0;
    run.unit.assign(reinterpret_cast<const char*>(slot + kOffUnit), slot[kOffUnitLength]);
}

enum class SlotState { kInvalid, kNewer, kValid };

SlotState checkSlot(const std::uint8_t* slot) {
    if (std::memcmp(slot, kMagic, sizeof kMagic) != 0 ||
        getU32(slot + kSlotCrcOffset) != crc32(0, slot, kSlotCrcOffset))
        return SlotState::kInvalid;
    if (getU32(slot + kOffVersion) != kVersion)
        return getU32(slot + kOffVersion) > kVersion ? SlotState::kNewer : SlotState::kInvalid;
    if (slot[kOffUnitLength] > kMaxJournalUnitBytes)
        return SlotState::kInvalid;
    // A sealed header with an impossible start or period is damage all the
    // same, and would make a measurement file that no reader takes.
    JournalRun run;
    decodeSlot(slot, run);
    if (!isPossibleRunTime(run.start, run.periodSeconds))
        return SlotState::kInvalid;
    return SlotState::kValid;
}

JournalResult result(JournalStatus status, std::string reason) {
    return JournalResult{status, std::move(reason)};
}

std::string describe(int err) {
    return std::generic_category().message(err);
}

// Makes a new or removed directory entry durable.
void syncFolder(const fs::path& file) {
    const fs::path dir = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::uint32_t newRunId() {
    std::random_device rd;
    return static_cast<std::uint32_t>(rd());
}

bool sameRunFields(const JournalRun& run, const ViewState& view) {
    return run.fahrenheit == view.m_fahrenheit && run.unit == keptUnit(view.m_unitText) &&
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
    run.unit = keptUnit(view.m_unitText);
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

bool RunJournal::writeAll(const void* data, std::size_t size, std::uint64_t offset) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(m_fd, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail("cannot write the journal", n < 0 ? errno : ENOSPC);
        p += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

bool RunJournal::writeHeader() {
    std::uint8_t slot[kJournalSlotBytes];
    const std::uint32_t generation = m_generation + 1;
    encodeSlot(slot, m_run, generation, m_runId);
    if (!writeAll(slot, sizeof slot, ((generation - 1) % 2) * kJournalSlotBytes))
        return false;
    m_generation = generation;
    m_pending = true;
    return true;
}

bool RunJournal::start(const fs::path& path, const JournalRun& run) {
    m_lockedByOther = false;
    if (isOpen() && path != m_path)
        close();
    m_path = path;
    if (!isOpen()) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            return fail("cannot create the journal", errno);
        // Locked before anything is changed: a live journal of another process stays intact.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int err = errno;
            ::close(fd);
            m_lockedByOther = err == EWOULDBLOCK;
            return fail(
                m_lockedByOther ? "in use by another running recording" : "cannot lock the journal",
                m_lockedByOther ? 0 : err);
        }
        m_fd = fd;
    }
    m_ready = false;
    m_haveSyncTime = false;
    m_run = run;
    m_run.unit = keptUnit(run.unit);
    m_runId = newRunId();
    m_generation = 0;
    m_count = 0;
    std::uint8_t head[kJournalRecordsOffset] = {};
    encodeSlot(head, m_run, 1, m_runId);
    if (::ftruncate(m_fd, 0) != 0)
        return fail("cannot empty the journal", errno);
    if (!writeAll(head, sizeof head, 0))
        return false;
    m_generation = 1;
    m_pending = true;
    if (!sync())
        return false;
    syncFolder(path);
    m_ready = true;
    return true;
}

bool RunJournal::headerOutdated(const ViewState& view) const {
    return !sameRunFields(m_run, view);
}

bool RunJournal::append(const float (*live)[kSampleCapacity], int committed, const ViewState& view,
                        std::int64_t nowMs) {
    if (!isOpen() || !m_ready)
        return false;
    if (headerOutdated(view)) {
        m_run.fahrenheit = view.m_fahrenheit;
        m_run.unit = keptUnit(view.m_unitText);
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
            encodeRecord(buf + k * kJournalRecordBytes, live, m_count + k, m_runId);
        const std::uint64_t at =
            kJournalRecordsOffset + static_cast<std::uint64_t>(m_count) * kJournalRecordBytes;
        if (!writeAll(buf, static_cast<std::size_t>(n) * kJournalRecordBytes, at))
            return false;
        m_count += n;
        m_pending = true;
    }
    return syncIfDue(nowMs);
}

bool RunJournal::syncIfDue(std::int64_t nowMs) {
    if (!m_pending || !isOpen())
        return true;
    if (m_haveSyncTime && nowMs >= m_lastSyncMs && nowMs - m_lastSyncMs < kJournalMinSyncGapMs)
        return true;
    if (!sync())
        return false;
    m_lastSyncMs = nowMs;
    m_haveSyncTime = true;
    return true;
}

bool RunJournal::sync() {
    if (!m_pending || !isOpen())
        return true;
    if (::fdatasync(m_fd) != 0)
        return fail("cannot flush the journal to disk", errno);
    m_pending = false;
    return true;
}

bool RunJournal::follow(const fs::path& path, const CHygDoc& doc, const ViewState& view,
                        std::int64_t nowMs) {
    const bool newRun = !isOpen() || !m_ready || path != m_path ||
                        view.m_startTime != m_run.startTime || view.m_sampleIndex < m_count;
    if (newRun && !start(path, journalRunOf(view)))
        return false;
    return append(doc.m_live, view.m_sampleIndex, view, nowMs);
}

void RunJournal::close() {
    if (!isOpen())
        return;
    sync();
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
    m_ready = false;
}

bool RunJournal::discard() {
    if (!isOpen())
        return true;
    // Deleted while still locked, so nobody can take it in between.
    const bool removed = ::unlink(m_path.c_str()) == 0 || errno == ENOENT;
    const int err = errno;
    m_pending = false;
    ::flock(m_fd, LOCK_UN);
    ::close(m_fd);
    m_fd = -1;
    m_ready = false;
    if (!removed)
        return fail("cannot delete the journal", err);
    syncFolder(m_path);
    return true;
}

// ---- reading ------------------------------------------------------------

float JournalContents::sample(int index, int channel) const {
    const std::uint8_t* rec = records + static_cast<std::size_t>(index) * kJournalRecordBytes;
    return std::bit_cast<float>(getU32(rec + 4 + 4 * channel));
}

JournalResult parseJournal(const std::uint8_t* data, std::size_t size, JournalContents& out) {
    out = JournalContents{};
    if (data == nullptr || size < sizeof kMagic || std::memcmp(data, kMagic, sizeof kMagic) != 0)
        return result(JournalStatus::kNotJournal, "not a KR5061 run journal");
    if (size < kJournalRecordsOffset)
        return result(JournalStatus::kDamagedHeader, "the journal ends inside its header");
    const std::uint8_t* best = nullptr;
    bool newer = false;
    for (std::size_t s = 0; s < 2; ++s) {
        const std::uint8_t* slot = data + s * kJournalSlotBytes;
        const SlotState state = checkSlot(slot);
        newer = newer || state == SlotState::kNewer;
        if (state == SlotState::kValid &&
            (best == nullptr || getU32(slot + kOffGeneration) > getU32(best + kOffGeneration)))
            best = slot;
    }
    if (best == nullptr)
        return newer ? result(JournalStatus::kNewerVersion,
                              "the journal was written by a newer version of this program")
                     : result(JournalStatus::kDamagedHeader, "the journal's header is damaged");
    decodeSlot(best, out.run);
    const std::uint32_t runId = getU32(best + kOffRunId);

    const std::size_t available = (size - kJournalRecordsOffset) / kJournalRecordBytes;
    const std::size_t limit = std::min<std::size_t>(available, kSampleCapacity);
    const std::uint8_t* records = data + kJournalRecordsOffset;
    std::size_t n = 0;
    for (; n < limit; ++n) {
        const std::uint8_t* rec = records + n * kJournalRecordBytes;
        if (getU32(rec) != n || getU32(rec + 24) != runId ||
            getU32(rec + kRecordCrcOffset) != crc32(0, rec, kRecordCrcOffset))
            break;
    }
    out.count = static_cast<int>(n);
    out.records = records;
    out.tailDropped = size > kJournalRecordsOffset + n * kJournalRecordBytes;
    return result(JournalStatus::kOk, {});
}

RunSnapshot RecoveredRun::snapshot() const {
    RunSnapshot s;
    s.live = live;
    s.count = std::clamp(count, 0, kSampleCapacity);
    s.fahrenheit = run.fahrenheit;
    s.unit = run.unit;
    s.start = run.start;
    s.periodSeconds = run.periodSeconds;
    s.gain = run.gain;
    s.offset = run.offset;
    return s;
}

JournalResult readJournalRun(const fs::path& path, RecoveredRun& out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return result(JournalStatus::kReadFailed, path.string() + ": " + describe(errno));
    // The buffer has the largest size a journal can have, whatever the file says.
    std::vector<std::uint8_t> bytes(kMaxJournalBytes);
    std::size_t got = 0;
    int err = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            err = errno;
        if (n <= 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (err != 0)
        return result(JournalStatus::kReadFailed, path.string() + ": " + describe(err));
    JournalContents contents;
    const JournalResult r = parseJournal(bytes.data(), got, contents);
    if (!r.ok())
        return r;
    out.run = contents.run;
    out.count = contents.count;
    out.tailDropped = contents.tailDropped;
    for (int i = 0; i < contents.count; ++i) {
        for (int c = 0; c < kChannelCount; ++c)
            out.live[c][i] = contents.sample(i, c);
    }
    return r;
}

bool isJournalLocked(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool locked = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);  // releases our own lock, if we got one
    return locked;
}

bool removeJournal(const fs::path& path, std::string* error) {
    auto failed = [&](std::string why) {
        if (error != nullptr)
            *error = path.string() + ": " + why;
        return false;
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return failed(describe(errno));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        return failed(err == EWOULDBLOCK ? "in use by a running recording" : describe(err));
    }
    const bool removed = ::unlink(path.c_str()) == 0;
    const int err = errno;
    ::close(fd);
    if (!removed)
        return failed(describe(err));
    syncFolder(path);
    return true;
}

fs::path journalPathFor(const fs::path& measurementPath) {
    fs::path p = measurementPath;
    p += std::string(kJournalSuffix);
    return p;
}

fs::path recoveryPathFor(const fs::path& journalPath) {
    const std::string name = journalPath.string();
    if (name.size() > kJournalSuffix.size() && name.ends_with(kJournalSuffix))
        return fs::path(name.substr(0, name.size() - kJournalSuffix.size()));
    return fs::path(name + ".AsmDat");
}

RecoverResult recoverJournal(const fs::path& journal, const fs::path& out, bool removeAfterSave) {
    RecoverResult r;
    if (isJournalLocked(journal)) {
        r.status = RecoverStatus::kLocked;
        return r;
    }
    auto run = std::make_unique<RecoveredRun>();
    r.read = readJournalRun(journal, *run);
    if (!r.read.ok()) {
        r.status = RecoverStatus::kUnreadable;
        return r;
    }
    r.count = run->count;
    r.tailDropped = run->tailDropped;
    for (const fs::path& p : {out, textTablePathFor(out)}) {
        std::error_code ec;
        if (fs::exists(fs::symlink_status(p, ec))) {
            r.status = RecoverStatus::kOutputExists;
            r.existing = p;
            return r;
        }
    }
    r.saved = saveMeasurement(out, run->snapshot());
    if (!r.saved.ok) {
        r.status = RecoverStatus::kSaveFailed;
        return r;
    }
    r.status = RecoverStatus::kSaved;
    if (removeAfterSave)
        removeJournal(journal, &r.removeError);
    return r;
}

}  // namespace kr5061

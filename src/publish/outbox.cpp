#include "publish/outbox.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>

#include "common/run_state.h"
#include "store/hyg_doc.h"
#include "store/record_codec.h"

namespace kr5061 {
namespace fs = std::filesystem;

namespace {

constexpr char kAckMagic[8] = {'K', 'R', '5', '0', '6', '1', 'O', 'A'};
constexpr std::size_t kAckSlotBytes = 32;
constexpr std::int64_t kAckWriteGapMs = 1000;

struct AckSlot {
    bool valid = false;
    std::uint32_t generation = 0;
    OutboxPosition head;
};

AckSlot readAckSlot(const std::uint8_t* p) {
    AckSlot s;
    if (std::memcmp(p, kAckMagic, sizeof kAckMagic) != 0 ||
        !codec::recordIntact(p, kAckSlotBytes)) {
        return s;
    }
    s.valid = true;
    s.generation = codec::getU32(p + 8);
    s.head.file = static_cast<std::uint64_t>(codec::getI64(p + 12));
    s.head.index = codec::getU32(p + 20);
    return s;
}

std::string describe(int err) {
    return std::generic_category().message(err);
}

// "0000000012-3fa9c001.journal" -> sequence 12, run id 0x3fa9c001.
bool parseFileName(const std::string& name, std::uint64_t& seq, std::uint32_t& runId) {
    unsigned long long s = 0;
    unsigned r = 0;
    int used = 0;
    if (name.size() != 27 ||
        std::sscanf(name.c_str(), "%10llu-%8x.journal%n", &s, &r, &used) != 2 || used != 27) {
        return false;
    }
    seq = s;
    runId = r;
    return true;
}

std::uint32_t newRunId() {
    std::random_device rd;
    return static_cast<std::uint32_t>(rd());
}

}  // namespace

Outbox::Outbox() = default;

Outbox::~Outbox() {
    close();
}

fs::path Outbox::pathOf(const RunFile& f) const {
    char name[40];
    std::snprintf(name, sizeof name, "%010" PRIu64 "-%08x.journal", f.seq,
                  static_cast<unsigned>(f.runId));
    return m_dir / name;
}

Outbox::RunFile* Outbox::fileOf(std::uint64_t seq) {
    for (RunFile& f : m_files) {
        if (f.seq == seq) {
            return &f;
        }
    }
    return nullptr;
}

bool Outbox::open(const fs::path& dir, std::uint64_t capacity, std::string* error) {
    close();
    m_dir = dir;
    m_capacity = std::max(capacity, kMinOutboxCapacity);
    auto failed = [&](const std::string& what, int err) {
        if (error != nullptr) {
            *error = dir.string() + ": " + what + (err != 0 ? ": " + describe(err) : "");
        }
        close();
        return false;
    };
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec) {
        return failed("cannot create the outbox folder", ec.value());
    }
    const int lockFd = ::open((dir / "lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd < 0) {
        return failed("cannot open the outbox", errno);
    }
    if (::flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(lockFd);
        return err == EWOULDBLOCK
                   ? failed("the outbox is in use by another running kr5061 with the same id", 0)
                   : failed("cannot lock the outbox", err);
    }
    m_lockFd = lockFd;
    m_ackFd = ::open((dir / "acked").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_ackFd < 0) {
        return failed("cannot open the outbox's acknowledgement file", errno);
    }
    std::uint8_t slots[2 * kAckSlotBytes] = {};
    const ssize_t got = ::pread(m_ackFd, slots, sizeof slots, 0);
    const AckSlot a = readAckSlot(slots);
    const AckSlot b =
        got == static_cast<ssize_t>(sizeof slots) ? readAckSlot(slots + kAckSlotBytes) : AckSlot{};
    const AckSlot& best = (b.valid && (!a.valid || b.generation > a.generation)) ? b : a;
    m_head = best.valid ? best.head : OutboxPosition{};
    m_ackGeneration = best.valid ? best.generation : 0;
    m_ackWritten = m_head;
    m_ackWriter.start(m_ackFd, dir);
    return scan(error) || failed("cannot read the outbox folder", 0);
}

bool Outbox::scan(std::string* error) {
    std::vector<RunFile> found;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(m_dir, ec)) {
        RunFile f;
        if (parseFileName(e.path().filename().string(), f.seq, f.runId)) {
            found.push_back(f);
        }
    }
    if (ec) {
        if (error != nullptr) {
            *error = m_dir.string() + ": " + ec.message();
        }
        return false;
    }
    std::sort(found.begin(), found.end(),
              [](const RunFile& x, const RunFile& y) { return x.seq < y.seq; });
    m_files.clear();
    for (RunFile& f : found) {
        m_nextSeq = std::max(m_nextSeq, f.seq + 1);
        const bool acked = f.seq < m_head.file;
        // A file whose header cannot be read has no run to publish its samples under.
        RecoveredRun& read = *m_readHeld.samples;
        if (!acked && readJournalRun(pathOf(f), read).ok() && read.count > 0) {
            f.count = static_cast<std::uint32_t>(read.count);
            f.run = read.run;
            m_files.push_back(f);
        } else {
            fs::remove(pathOf(f), ec);
        }
    }
    m_readHeld.seq = 0;
    advanceHead();
    m_cursor = m_head;
    return true;
}

void Outbox::close() {
    endLiveFile();
    for (RunJournal& journal : m_journals) {
        journal.close();
    }
    if (m_ackFd >= 0) {
        // Once, at the end: what is queued reaches the disk before the file closes.
        writeAckState();
        m_ackWriter.finish();
        m_ackWriter.stop();
        ::close(m_ackFd);
        m_ackFd = -1;
    }
    if (m_lockFd >= 0) {
        ::flock(m_lockFd, LOCK_UN);
        ::close(m_lockFd);
        m_lockFd = -1;
    }
    m_files.clear();
    m_pendingCount = 0;
    m_liveHeld.seq = m_endedHeld.seq = m_readHeld.seq = 0;
}

bool Outbox::startLiveFile(const ViewState& view) {
    RunFile f;
    f.seq = m_nextSeq++;
    f.runId = newRunId();
    f.run = journalRunOf(view);
    m_files.push_back(f);
    m_live = true;
    m_liveStart = view.m_startTime;
    m_livePath = pathOf(f);
    m_liveHeld.seq = f.seq;
    m_liveHeld.samples->count = 0;
    return true;
}

void Outbox::endLiveFile() {
    if (!m_live) {
        return;
    }
    m_live = false;
    std::swap(m_liveHeld, m_endedHeld);
    m_liveHeld.seq = 0;
    // The ended run's journal goes on writing; the one before it is done by now.
    m_liveJournal ^= 1;
    m_journals[m_liveJournal].close();
    // The run's file stays for sending unless every sample of it is acknowledged.
    advanceHead();
    removeFilesBeforeHead();
}

bool Outbox::follow(const CHygDoc& doc, const ViewState& view) {
    if (!isOpen()) {
        return false;
    }
    const bool newRun = !m_live || view.m_startTime != m_liveStart ||
                        view.m_sampleIndex < static_cast<int>(m_files.back().count);
    if (newRun) {
        endLiveFile();
        startLiveFile(view);
    }
    RunFile& live = m_files.back();
    const std::uint32_t before = live.count;
    RunJournal& journal = m_journals[m_liveJournal];
    if (!journal.follow(m_livePath, doc, view)) {
        m_error = journal.error();
        return false;
    }
    live.count = static_cast<std::uint32_t>(journal.count());
    if (live.run.unit != view.m_unitText) {
        live.run.unit = view.m_unitText;
    }
    // The live run's samples are published from memory: its journal may not have written them yet.
    RecoveredRun& held = *m_liveHeld.samples;
    for (std::uint32_t i = before; i < live.count; ++i) {
        for (int c = 0; c < kChannelCount; ++c) {
            held.live[c][i] = doc.m_live[c][i];
        }
    }
    held.count = static_cast<int>(live.count);
    dropOverCapacity();
    return true;
}

const RecoveredRun* Outbox::samplesOf(const RunFile& f) {
    for (const Held* held : {&m_liveHeld, &m_endedHeld, &m_readHeld}) {
        if (held->seq == f.seq && held->samples->count >= static_cast<int>(f.count)) {
            return held->samples.get();
        }
    }
    m_readHeld.seq = 0;
    const JournalResult r = readJournalRun(pathOf(f), *m_readHeld.samples);
    if (!r.ok() || m_readHeld.samples->count < static_cast<int>(f.count)) {
        m_error = pathOf(f).string() + ": " + (r.ok() ? "samples are missing" : r.reason);
        return nullptr;
    }
    m_readHeld.seq = f.seq;
    return m_readHeld.samples.get();
}

bool Outbox::take(SampleFacts& out, OutboxPosition& position) {
    if (m_pendingCount == kWindow) {
        return false;
    }
    for (const RunFile& f : m_files) {
        if (f.seq < m_cursor.file || (f.seq == m_cursor.file && m_cursor.index >= f.count)) {
            continue;
        }
        if (f.seq > m_cursor.file) {
            m_cursor = {f.seq, 0};
        }
        const RecoveredRun* samples = samplesOf(f);
        if (samples == nullptr) {
            return false;
        }
        out.run = f.runId;
        out.index = m_cursor.index;
        out.startTime = f.run.startTime;
        out.periodSeconds = f.run.periodSeconds;
        out.unit = f.run.unit;
        for (int c = 0; c < kChannelCount; ++c) {
            out.values[c] = samples->live[c][m_cursor.index];
        }
        position = m_cursor;
        m_pending[(m_pendingFirst + m_pendingCount) % kWindow] = {m_cursor, false};
        ++m_pendingCount;
        ++m_cursor.index;
        return true;
    }
    return false;
}

void Outbox::acknowledged(const OutboxPosition& position) {
    for (int k = 0; k < m_pendingCount; ++k) {
        Pending& p = m_pending[(m_pendingFirst + k) % kWindow];
        if (p.position == position) {
            p.acked = true;
            break;
        }
    }
    bool moved = false;
    while (m_pendingCount > 0 && m_pending[m_pendingFirst].acked) {
        const OutboxPosition done = m_pending[m_pendingFirst].position;
        m_head = {done.file, done.index + 1};
        m_pendingFirst = (m_pendingFirst + 1) % kWindow;
        --m_pendingCount;
        moved = true;
    }
    if (moved) {
        advanceHead();
        removeFilesBeforeHead();
        m_ackWriteDue = true;
    }
}

void Outbox::rewind() {
    m_pendingCount = 0;
    m_cursor = m_head;
}

// The head moves off a finished file once every sample of it is acknowledged.
void Outbox::advanceHead() {
    for (const RunFile& f : m_files) {
        if (f.seq < m_head.file) {
            continue;
        }
        if (f.seq > m_head.file) {
            m_head = {f.seq, 0};
        }
        const bool live = m_live && &f == &m_files.back();
        if (m_head.index < f.count || live) {
            return;
        }
    }
}

void Outbox::removeFilesBeforeHead() {
    std::error_code ec;
    while (!m_files.empty()) {
        const RunFile& f = m_files.front();
        const bool live = m_live && m_files.size() == 1;
        const bool done = f.seq < m_head.file || (f.seq == m_head.file && m_head.index >= f.count);
        if (live || !done) {
            return;
        }
        fs::remove(pathOf(f), ec);
        if (m_readHeld.seq == f.seq) {
            m_readHeld.seq = 0;
        }
        m_files.erase(m_files.begin());
    }
}

std::uint64_t Outbox::total() const {
    std::uint64_t n = 0;
    for (const RunFile& f : m_files) {
        n += f.count;
    }
    return n;
}

std::uint64_t Outbox::waiting() const {
    std::uint64_t done = 0;
    for (const RunFile& f : m_files) {
        if (f.seq < m_head.file) {
            done += f.count;
        } else if (f.seq == m_head.file) {
            done += std::min(m_head.index, f.count);
        }
    }
    return total() - done;
}

void Outbox::dropOverCapacity() {
    std::uint64_t excess = waiting();
    if (excess <= m_capacity) {
        return;
    }
    excess -= m_capacity;
    m_dropped += excess;
    for (const RunFile& f : m_files) {
        if (excess == 0) {
            break;
        }
        if (f.seq < m_head.file) {
            continue;
        }
        if (f.seq > m_head.file) {
            m_head = {f.seq, 0};
        }
        const std::uint64_t skip = std::min<std::uint64_t>(excess, f.count - m_head.index);
        m_head.index += static_cast<std::uint32_t>(skip);
        excess -= skip;
    }
    while (m_pendingCount > 0 && m_pending[m_pendingFirst].position < m_head) {
        m_pendingFirst = (m_pendingFirst + 1) % kWindow;
        --m_pendingCount;
    }
    m_cursor = std::max(m_cursor, m_head);
    advanceHead();
    removeFilesBeforeHead();
    m_ackWriteDue = true;
}

std::uint64_t Outbox::droppedSinceLastAsked() {
    const std::uint64_t n = m_dropped - m_droppedReported;
    m_droppedReported = m_dropped;
    return n;
}

bool Outbox::writeAckState() {
    m_ackWriteDue = false;
    if (m_ackFd < 0 || m_head == m_ackWritten) {
        return true;
    }
    std::uint8_t slot[kAckSlotBytes] = {};
    std::memcpy(slot, kAckMagic, sizeof kAckMagic);
    const std::uint32_t generation = m_ackGeneration + 1;
    codec::putU32(slot + 8, generation);
    codec::putI64(slot + 12, static_cast<std::int64_t>(m_head.file));
    codec::putU32(slot + 20, m_head.index);
    codec::sealRecord(slot, kAckSlotBytes);
    // Slots alternate, so a torn write leaves the previous position valid.
    const std::uint64_t at = ((generation - 1) % 2) * kAckSlotBytes;
    if (!m_ackWriter.write(at, slot, sizeof slot, generation)) {
        m_error = (m_dir / "acked").string() + ": " + m_ackWriter.error();
        return false;
    }
    m_ackGeneration = generation;
    m_ackWritten = m_head;
    return true;
}

bool Outbox::syncIfDue(std::int64_t nowMs) {
    bool ok = true;
    if (m_live && m_journals[m_liveJournal].failed()) {
        m_error = m_journals[m_liveJournal].error();
        ok = false;
    }
    const bool gapPassed = nowMs < m_lastAckWriteMs || nowMs - m_lastAckWriteMs >= kAckWriteGapMs;
    if (m_ackWriteDue && gapPassed) {
        m_lastAckWriteMs = nowMs;
        ok = writeAckState() && ok;
    }
    return ok;
}

}  // namespace kr5061

#include "store/journal_format.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

#include "store/record_codec.h"

namespace kr5061 {
namespace fs = std::filesystem;
using namespace codec;

namespace {

constexpr char kMagic[8] = {'K', 'R', '5', '0', '6', '1', 'J', 'N'};
constexpr std::uint32_t kVersion = 1;

// Header slot field offsets.
constexpr std::size_t kOffVersion = 8, kOffGeneration = 12, kOffRunId = 16, kOffStart = 24,
                      kOffFields = 32, kOffPeriod = 56, kOffLimit = 60, kOffGain = 64,
                      kOffOffset = 68, kOffFlag = 72, kOffUnitLength = 73, kOffUnit = 74;
static_assert(kOffUnit + kMaxJournalUnitBytes <= kJournalSlotBytes - 4);
constexpr std::size_t kOffRecordRunId = 24;

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
    if (std::memcmp(slot, kMagic, sizeof kMagic) != 0 || !recordIntact(slot, kJournalSlotBytes))
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

// Reads at most kMaxJournalBytes; false with `why` naming the file.
bool readJournalBytes(const fs::path& path, std::vector<std::uint8_t>& bytes, std::string& why) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        why = path.string() + ": " + std::generic_category().message(errno);
        return false;
    }
    // The buffer has the largest size a journal can have, whatever the file says.
    bytes.assign(kMaxJournalBytes, 0);
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
    bytes.resize(got);
    if (err != 0)
        why = path.string() + ": " + std::generic_category().message(err);
    return err == 0;
}

// The places after the intact prefix: what is written there, and how much of it is intact.
void surveyTail(const std::uint8_t* data, std::size_t size, JournalContents& j) {
    int lastWritten = -1;
    for (int k = j.places - 1; k >= j.count; --k) {
        if (!recordBlank(j.records + static_cast<std::size_t>(k) * kJournalRecordBytes,
                         kJournalRecordBytes)) {
            lastWritten = k;
            break;
        }
    }
    j.salvageEnd = j.count;
    for (int k = j.count + 1; k <= lastWritten; ++k) {
        if (j.intactAt(k)) {
            ++j.intactFollowing;
            j.salvageEnd = k + 1;
        }
    }
    j.following = std::max(lastWritten - j.count, 0);
    const std::size_t used =
        kJournalRecordsOffset + static_cast<std::size_t>(j.places) * kJournalRecordBytes;
    const bool bytesAfter = size > used && !recordBlank(data + used, size - used);
    j.tailDropped = lastWritten >= j.count || bytesAfter;
}

}  // namespace

std::size_t journalBytesFor(int records) {
    return kJournalRecordsOffset +
           kJournalRecordBytes * static_cast<std::size_t>(std::clamp(records, 0, kSampleCapacity));
}

std::string_view journalUnit(std::string_view unit) {
    return unit.substr(0, std::min(unit.size(), kMaxJournalUnitBytes));
}

void encodeJournalSlot(std::uint8_t* slot, const JournalRun& run, std::uint32_t generation,
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
    const std::string_view unit = journalUnit(run.unit);
    slot[kOffUnitLength] = static_cast<std::uint8_t>(unit.size());
    std::memcpy(slot + kOffUnit, unit.data(), unit.size());
    sealRecord(slot, kJournalSlotBytes);
}

void encodeJournalRecord(std::uint8_t* rec, const float (*live)[kSampleCapacity], int index,
                         std::uint32_t runId) {
    putU32(rec, static_cast<std::uint32_t>(index));
    for (int c = 0; c < kChannelCount; ++c)
        putU32(rec + 4 + 4 * c, std::bit_cast<std::uint32_t>(live[c][index]));
    putU32(rec + kOffRecordRunId, runId);
    sealRecord(rec, kJournalRecordBytes);
}

bool JournalContents::intactAt(int index) const {
    if (index < 0 || index >= places)
        return false;
    const std::uint8_t* rec = records + static_cast<std::size_t>(index) * kJournalRecordBytes;
    return getU32(rec) == static_cast<std::uint32_t>(index) &&
           getU32(rec + kOffRecordRunId) == runId && recordIntact(rec, kJournalRecordBytes);
}

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
    out.runId = getU32(best + kOffRunId);
    out.records = data + kJournalRecordsOffset;
    out.places = static_cast<int>(std::min<std::size_t>(
        (size - kJournalRecordsOffset) / kJournalRecordBytes, kSampleCapacity));
    while (out.count < out.places && out.intactAt(out.count))
        ++out.count;
    surveyTail(data, size, out);
    return result(JournalStatus::kOk, {});
}

bool journalHoldsNoRecord(const std::uint8_t* data, std::size_t size) {
    // Someone else's file that merely carries the name is never taken for an empty journal.
    const bool ours = size >= sizeof kMagic && std::memcmp(data, kMagic, sizeof kMagic) == 0;
    if (!ours && !recordBlank(data, std::min(size, kJournalRecordsOffset)))
        return false;
    return size <= kJournalRecordsOffset ||
           recordBlank(data + kJournalRecordsOffset, size - kJournalRecordsOffset);
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

void takeJournalRun(const JournalContents& j, bool salvage, RecoveredRun& out) {
    out.run = j.run;
    out.count = salvage ? j.salvageEnd : j.count;
    out.prefix = j.count;
    out.tailDropped = j.tailDropped;
    out.following = j.following;
    out.intactFollowing = j.intactFollowing;
    out.filled = 0;
    int source = -1;  // the record a damaged place carries
    for (int i = 0; i < out.count; ++i) {
        if (j.intactAt(i)) {
            source = i;
        } else {
            ++out.filled;
            for (int k = i + 1; source < 0 && k < out.count; ++k)
                source = j.intactAt(k) ? k : -1;
        }
        for (int c = 0; c < kChannelCount; ++c)
            out.live[c][i] = j.sample(source, c);
    }
}

JournalResult readJournalRun(const fs::path& path, RecoveredRun& out, bool salvage) {
    std::vector<std::uint8_t> bytes;
    std::string why;
    if (!readJournalBytes(path, bytes, why))
        return result(JournalStatus::kReadFailed, why);
    JournalContents contents;
    const JournalResult r = parseJournal(bytes.data(), bytes.size(), contents);
    if (r.ok())
        takeJournalRun(contents, salvage, out);
    return r;
}

bool journalFileHoldsNoRecord(const fs::path& path) {
    std::vector<std::uint8_t> bytes;
    std::string why;
    return readJournalBytes(path, bytes, why) && journalHoldsNoRecord(bytes.data(), bytes.size());
}

}  // namespace kr5061

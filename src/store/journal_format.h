#pragma once

// The run journal's file format, read and written. Little-endian, version 1:
//   0    header slot A, 128 bytes      the newer valid slot of the two counts;
//   128  header slot B, 128 bytes      both are written when a run starts, and
//                                      later changes alternate between them
//   256  records, 32 bytes each, record i at 256 + 32 i
// Header slot: "KR5061JN", u32 version, u32 generation, u32 run id, u32 0,
//   i64 start (calendar seconds), i32 year month day hour minute second (local
//   time of the start when recorded), i32 period seconds, i32 sample limit,
//   i32 gain, i32 offset, u8 Fahrenheit flag, u8 unit length (<= 32), 32 bytes
//   unit text, zero padding, u32 CRC-32 of bytes 0..123 at 124.
// Record: u32 index i, f32 AIR WB DP K/IR RH, u32 run id, u32 CRC-32 of bytes
//   0..27. A record is intact when its checksum, its run id and its index
//   (its place in the file) match. The room a writer reserves ahead is zero:
//   blank places after the last written record are not damage.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/channels.h"
#include "store/measurement_file.h"
#include "store/text_export.h"

namespace kr5061 {

inline constexpr std::string_view kJournalSuffix = ".journal";
inline constexpr std::size_t kJournalSlotBytes = 128;
inline constexpr std::size_t kJournalRecordsOffset = 2 * kJournalSlotBytes;
inline constexpr std::size_t kJournalRecordBytes = 32;
inline constexpr std::size_t kMaxJournalUnitBytes = 32;
// No journal we write is longer: records past the store's capacity cannot exist.
inline constexpr std::size_t kMaxJournalBytes =
    kJournalRecordsOffset + kJournalRecordBytes * static_cast<std::size_t>(kSampleCapacity);

// Size of a journal with room for `records` records (capped at the store's capacity).
std::size_t journalBytesFor(int records);

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

// The unit text as a header keeps it.
std::string_view journalUnit(std::string_view unit);

// One header slot, sealed.
void encodeJournalSlot(std::uint8_t* slot, const JournalRun& run, std::uint32_t generation,
                       std::uint32_t runId);
// Record `index` from a channel-major store, sealed.
void encodeJournalRecord(std::uint8_t* record, const float (*live)[kSampleCapacity], int index,
                         std::uint32_t runId);

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

// A parsed journal. The records are not copied: they point into the parsed bytes.
struct JournalContents {
    JournalRun run;
    std::uint32_t runId = 0;
    const std::uint8_t* records = nullptr;
    int places = 0;  // whole record places in the bytes, at most kSampleCapacity
    int count = 0;   // intact records in order from the first
    // Everything written after the intact records, when there is any:
    bool tailDropped = false;  // something written there was left out
    int following = 0;         // places after the first damaged one, up to the last written
    int intactFollowing = 0;   // of those, records intact in their place
    int salvageEnd = 0;        // one past the last intact record (count when none follows)

    bool intactAt(int index) const;
    float sample(int index, int channel) const;
};

// Any bytes in: the header and what the records hold, or a refusal. Reads
// only inside [data, data + size) and allocates nothing sized from the bytes.
JournalResult parseJournal(const std::uint8_t* data, std::size_t size, JournalContents& out);

// No record was ever written: an empty file, or one that starts like a
// journal (or with zeros) and holds nothing but zeros past the header places.
// Such a journal holds no sample, whatever its header says.
bool journalHoldsNoRecord(const std::uint8_t* data, std::size_t size);

// A journal's run with its samples in a channel-major block like the
// document's live store. About 200 kB: create it on the heap.
struct RecoveredRun {
    JournalRun run;
    int count = 0;
    int prefix = 0;  // intact records before the first damaged one
    bool tailDropped = false;
    int following = 0;        // as JournalContents
    int intactFollowing = 0;  // as JournalContents
    int filled = 0;           // damaged places salvage filled
    float live[kChannelCount][kSampleCapacity] = {};

    // What Save would have written for this run.
    RunSnapshot snapshot() const;
};

// The intact prefix, or with `salvage` every record up to the last intact
// one: a damaged place takes the record before it (the first intact one
// after it when it is the first), so every sample keeps its time.
void takeJournalRun(const JournalContents& contents, bool salvage, RecoveredRun& out);

// Reads at most kMaxJournalBytes of the file, read-only, and takes its run.
// A kReadFailed reason names the file; the others describe the contents only.
JournalResult readJournalRun(const std::filesystem::path& path, RecoveredRun& out,
                             bool salvage = false);

// The file holds no record (see journalHoldsNoRecord); false when it cannot be read.
bool journalFileHoldsNoRecord(const std::filesystem::path& path);

}  // namespace kr5061

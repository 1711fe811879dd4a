#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "common/channels.h"
#include "store/atomic_file.h"
#include "store/text_export.h"

namespace kr5061 {

class CHygDoc;
struct ViewState;

inline constexpr std::string_view kMeasurementSignature = "KR5061";

// One run as it goes into a measurement file.
struct RunSnapshot {
    const float (*live)[kSampleCapacity] = nullptr;  // channel-major sample store
    int count = 0;                                   // committed samples, 0..kSampleCapacity
    bool fahrenheit = false;
    std::string unit;
    StartFields start;  // local time of sample 0
    int periodSeconds = 0;
    int gain = 0;
    int offset = 0;
};

// The current run of the document and view: start in local time, the period
// in whole seconds (milliseconds / 1000, truncated).
RunSnapshot snapshotOfRun(const CHygDoc& doc, const ViewState& view);

// The run's text table input (same samples, flag, unit, start and period).
TableInput tableInputOf(const RunSnapshot& run);

// The measurement file, little-endian: length-prefixed signature, int32
// count n, n records of five floats (AIR, WB, DP, K/IR, RH), flag byte, int32
// year, month, day, hour, minute, second, int32 period, length-prefixed unit,
// int32 gain, int32 offset.
std::vector<std::uint8_t> encodeMeasurementFile(const RunSnapshot& run);

enum class LoadStatus {
    kOk,
    kInvalidFormat,  // not a measurement file, or a damaged one: "Invalid Format!"
    kReadFailed,     // the file could not be opened or read
};

struct LoadResult {
    LoadStatus status = LoadStatus::kReadFailed;
    std::string reason;  // readable detail when status is not kOk
    // The graph axis stored with the run; the logger graph takes them over.
    std::int32_t gain = 0;
    std::int32_t offset = 0;
    bool ok() const { return status == LoadStatus::kOk; }
};

// A fully validated file. The records are not copied: they point into the
// parsed bytes, count x 20 bytes, so nothing is allocated from a count that
// came from the file.
struct LoadedMeasurement {
    std::string signature;
    std::int32_t count = 0;
    const std::uint8_t* records = nullptr;
    bool fahrenheit = false;
    StartFields start;
    std::int32_t periodSeconds = 0;
    std::string unit;
    std::int32_t gain = 0;
    std::int32_t offset = 0;
};

// Whether a run's start is a real date and time of day and its period lies
// within 1..kMaxSampleRateSeconds: every run we record passes, and the
// readers of measurement files and run journals refuse anything else.
bool isPossibleRunTime(const StartFields& start, int periodSeconds);

// Checks the whole file before anything is taken from it. Refused as
// kInvalidFormat: a signature other than "KR5061", a negative count, more
// records than the bytes left can hold, a length prefix or string running
// past the end, any truncation, a count above kSampleCapacity, start fields
// that are no calendar date and time of day (year 1900..9999), and a period
// outside 1..kMaxSampleRateSeconds. A gain or offset outside the settings'
// range is brought into it as the settings reader does. Large
// counts are refused, not truncated: a shortened run shown as if complete
// would mislead, and no file we write can hold more. Bytes after the last
// field are ignored. On refusal nothing in `out` may be relied on.
LoadResult parseMeasurementFile(const std::uint8_t* data, std::size_t size, LoadedMeasurement& out);

// Puts a validated file into the recall buffer: records, count, flag, start
// fields, period, unit and the signature read. The caller marks the set as
// loaded (the logger window adopts it) and takes gain and offset.
void adoptMeasurement(const LoadedMeasurement& file, CHygDoc& doc);

// parseMeasurementFile, then adoptMeasurement only if the file is valid; a
// refused file leaves the document exactly as it was.
LoadResult readMeasurement(const std::uint8_t* data, std::size_t size, CHygDoc& doc);

// Opens the file read-only and reads it into the document as readMeasurement
// does. The logger window and the command line both load through this.
LoadResult loadMeasurement(const std::filesystem::path& path, CHygDoc& doc);

// The text table beside a measurement file: a trailing ".AsmDat" (any case)
// replaced by ".txt", otherwise ".txt" appended; same folder.
std::filesystem::path textTablePathFor(const std::filesystem::path& measurementPath);

// The measurement file for a name the user typed or accepted: it always ends
// in ".AsmDat" (any case), so Download lists it and its table goes beside it.
// A name with dots of its own ("26-12-08 06.13.53") still gets the extension;
// a trailing dot is not doubled. An empty name stays empty (nothing chosen).
std::filesystem::path measurementPathFor(const std::filesystem::path& chosen);

struct SaveResult {
    bool ok = false;
    std::filesystem::path measurementPath;
    std::filesystem::path textPath;
    std::filesystem::path failedPath;  // the file that could not be written, empty when ok
    std::string error;                 // readable reason, empty when ok
};

// Writes the measurement file and then its text table, each atomically. The
// measurement file goes first: it is the one that can be opened again, so a
// table is never left without it.
SaveResult saveMeasurement(const std::filesystem::path& measurementPath, const RunSnapshot& run);

}  // namespace kr5061

#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "common/channels.h"

namespace kr5061 {

class CHygDoc;

// Reads sample i of channel c from either block layout: the live store is
// channel-major (live[c][i]), the recall buffer record-major (records[i][c]).
class SampleView {
public:
    static SampleView channelMajor(const float (*live)[kSampleCapacity]) {
        SampleView v;
        v.m_live = live;
        return v;
    }
    static SampleView recordMajor(const float (*records)[kChannelCount]) {
        SampleView v;
        v.m_records = records;
        return v;
    }
    // The same samples, counted from `first` (a part of a run, e.g. a zoom).
    SampleView from(int first) const {
        SampleView v = *this;
        v.m_first += first;
        return v;
    }
    float at(int sample, int channel) const {
        sample += m_first;
        return m_live != nullptr ? m_live[channel][sample] : m_records[sample][channel];
    }

private:
    const float (*m_live)[kSampleCapacity] = nullptr;
    const float (*m_records)[kChannelCount] = nullptr;
    int m_first = 0;
};

// Local start date and time of a run, as the measurement file carries it.
struct StartFields {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
};

// Local date and time of calendar seconds; all zero if the system cannot convert them.
StartFields startFieldsOf(std::int64_t calendarSeconds);

// Calendar seconds of local start fields, the system deciding daylight saving;
// nothing for fields that cannot be a time (a damaged file may hold any numbers).
std::optional<std::time_t> calendarSecondsOf(const StartFields& fields);

// Everything a table of samples is made from. The same input comes from a
// run being saved and from a measurement file that was loaded, so both
// export identically.
struct TableInput {
    SampleView samples;
    int count = 0;  // at most kSampleCapacity
    bool fahrenheit = false;
    std::string_view unit;
    StartFields start;
    int periodSeconds = 0;
};

// The recall buffer of the document as a table input (count clamped to the buffer).
TableInput recallTableInput(const CHygDoc& doc);

// The unit text as a table writes it: a damaged or forged file may hold a
// unit with line breaks, commas or other control characters, which would
// break the table's lines and columns; each such character becomes '?'.
std::string printableUnit(std::string_view unit);

// The fixed-column text table: header line, then one line per sample, every
// line ended by CR LF. Times are start + i x period in local time, so a
// daylight-saving change shows as a jump of the clock.
std::string formatTextTable(const TableInput& in);

// Comma-separated table for other programs:
//   time,AIR (C),WB (C),DP (C),K/IR (C),RH (%RH)
// with "F" instead of "C" when the readings are shown in Fahrenheit (the
// scale of the numbers, not the stored unit text, which may be empty). The
// time column is ISO 8601 local time without offset (2026-12-08T14:03:05);
// numbers are plain "%.1f" with the same conversions as the text table and an
// absent K/IR reading is an empty field. Lines end with CR LF, as in the text
// table and as RFC 4180 asks.
std::string formatCsvTable(const TableInput& in);

// Columns a caller adds after the readings of every CSV row (the derived
// moist-air quantities, for one). Each part it appends starts with a comma.
class CsvExtraColumns {
public:
    virtual ~CsvExtraColumns() = default;
    virtual void appendHeader(std::string& out) const = 0;
    virtual void appendRow(std::string& out, const TableInput& in, int row) const = 0;
};

std::string formatCsvTable(const TableInput& in, const CsvExtraColumns* extra);

// Both writers replace the file atomically; false with a readable reason on failure.
bool writeTextTable(const std::filesystem::path& path, const TableInput& in, std::string* error);
bool writeCsvTable(const std::filesystem::path& path, const TableInput& in, std::string* error,
                   const CsvExtraColumns* extra = nullptr);

}  // namespace kr5061

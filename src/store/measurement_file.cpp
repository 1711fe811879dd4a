#include "store/measurement_file.h"

#include "store/export_path.h"

#include <algorithm>
#include <bit>

#include "common/run_state.h"
#include "store/config.h"
#include "store/hyg_doc.h"

namespace kr5061 {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kRecordBytes = kChannelCount * 4;

// ---- writing ------------------------------------------------------------

void putU8(std::vector<std::uint8_t>& out, std::uint8_t v) {
    out.push_back(v);
}

void putU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void putI32(std::vector<std::uint8_t>& out, std::int32_t v) {
    putU32(out, static_cast<std::uint32_t>(v));
}

// Short strings carry a one-byte length; 0xFF escapes to a 16-bit length, and
// 0xFFFF in that to a 32-bit one. 0xFFFE is never used as a length.
void putString(std::vector<std::uint8_t>& out, std::string_view s) {
    const std::size_t n = s.size();
    if (n < 0xFF) {
        putU8(out, static_cast<std::uint8_t>(n));
    } else if (n < 0xFFFE) {
        putU8(out, 0xFF);
        putU16(out, static_cast<std::uint16_t>(n));
    } else {
        putU8(out, 0xFF);
        putU16(out, 0xFFFF);
        putU32(out, static_cast<std::uint32_t>(n));
    }
    out.insert(out.end(), s.begin(), s.end());
}

// ---- reading ------------------------------------------------------------

std::uint32_t u32At(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Bounds-checked reads over the file bytes; every length is compared with
// what is left before it is used.
class ByteReader {
public:
    ByteReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::size_t remaining() const { return m_size - m_pos; }

    bool take(std::uint64_t n, const std::uint8_t*& p) {
        if (n > remaining())
            return false;
        p = m_data + m_pos;
        m_pos += static_cast<std::size_t>(n);
        return true;
    }
    bool u8(std::uint8_t& v) {
        const std::uint8_t* p = nullptr;
        if (!take(1, p))
            return false;
        v = p[0];
        return true;
    }
    bool u16(std::uint16_t& v) {
        const std::uint8_t* p = nullptr;
        if (!take(2, p))
            return false;
        v = static_cast<std::uint16_t>(p[0] | p[1] << 8);
        return true;
    }
    bool u32(std::uint32_t& v) {
        const std::uint8_t* p = nullptr;
        if (!take(4, p))
            return false;
        v = u32At(p);
        return true;
    }
    bool i32(std::int32_t& v) {
        std::uint32_t u = 0;
        if (!u32(u))
            return false;
        v = static_cast<std::int32_t>(u);
        return true;
    }
    // A length-prefixed string in any of its three forms.
    bool string(std::string& out) {
        std::uint8_t b = 0;
        if (!u8(b))
            return false;
        std::uint64_t n = b;
        if (b == 0xFF) {
            std::uint16_t w = 0;
            if (!u16(w) || w == 0xFFFE)  // 0xFFFE marks a wide string, which we never write
                return false;
            n = w;
            if (w == 0xFFFF) {
                std::uint32_t d = 0;
                if (!u32(d))
                    return false;
                n = d;
            }
        }
        const std::uint8_t* p = nullptr;
        if (!take(n, p))
            return false;
        out.assign(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n));
        return true;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}


LoadResult refused(std::string reason) {
    LoadResult r;
    r.status = LoadStatus::kInvalidFormat;
    r.reason = std::move(reason);
    return r;
}

std::string lowerAscii(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

}  // namespace

RunSnapshot snapshotOfRun(const CHygDoc& doc, const ViewState& view) {
    RunSnapshot run;
    run.live = doc.m_live;
    run.count = std::clamp(view.m_sampleIndex, 0, kSampleCapacity);
    run.fahrenheit = view.m_fahrenheit;
    run.unit = view.m_unitText;
    run.start = startFieldsOf(view.m_startTime);
    run.periodSeconds = view.m_samplePeriodMs / 1000;
    run.gain = view.m_gain;
    run.offset = view.m_offset;
    return run;
}

TableInput tableInputOf(const RunSnapshot& run) {
    TableInput in;
    in.samples = SampleView::channelMajor(run.live);
    in.count = run.live != nullptr ? std::clamp(run.count, 0, kSampleCapacity) : 0;
    in.fahrenheit = run.fahrenheit;
    in.unit = run.unit;
    in.start = run.start;
    in.periodSeconds = run.periodSeconds;
    return in;
}

std::vector<std::uint8_t> encodeMeasurementFile(const RunSnapshot& run) {
    const int n = run.live != nullptr ? std::clamp(run.count, 0, kSampleCapacity) : 0;
    std::vector<std::uint8_t> out;
    out.reserve(60 + kRecordBytes * static_cast<std::size_t>(n) + run.unit.size());
    putString(out, kMeasurementSignature);
    putI32(out, n);
    for (int i = 0; i < n; ++i) {
        for (int c = 0; c < kChannelCount; ++c)
            putU32(out, std::bit_cast<std::uint32_t>(run.live[c][i]));
    }
    putU8(out, run.fahrenheit ? 1 : 0);
    for (int v : {run.start.year, run.start.month, run.start.day, run.start.hour, run.start.minute,
                  run.start.second})
        putI32(out, v);
    putI32(out, run.periodSeconds);
    putString(out, run.unit);
    putI32(out, run.gain);
    putI32(out, run.offset);
    return out;
}

bool isPossibleRunTime(const StartFields& s, int periodSeconds) {
    // Any local time we write passes; a daylight-saving gap is left to the
    // system, as for the time of a run.
    const bool calendarTime = s.year >= 1900 && s.year <= 9999 && s.month >= 1 && s.month <= 12 &&
                              s.day >= 1 && s.day <= daysInMonth(s.year, s.month) && s.hour >= 0 &&
                              s.hour <= 23 && s.minute >= 0 && s.minute <= 59 && s.second >= 0 &&
                              s.second <= 60;
    return calendarTime && periodSeconds >= 1 && periodSeconds <= kMaxSampleRateSeconds;
}

LoadResult parseMeasurementFile(const std::uint8_t* data, std::size_t size,
                                LoadedMeasurement& out) {
    ByteReader in(data, size);
    if (!in.string(out.signature))
        return refused("the file ends inside the signature");
    if (out.signature != kMeasurementSignature)
        return refused("not a KR5061 measurement file");
    if (!in.i32(out.count))
        return refused("the file ends before the record count");
    if (out.count < 0)
        return refused("negative record count " + std::to_string(out.count));
    const std::uint64_t recordBytes = static_cast<std::uint64_t>(out.count) * kRecordBytes;
    if (!in.take(recordBytes, out.records))
        return refused(std::to_string(out.count) + " records do not fit in the " +
                       std::to_string(in.remaining()) + " bytes left");
    if (out.count > kSampleCapacity)
        return refused(std::to_string(out.count) + " records, more than the " +
                       std::to_string(kSampleCapacity) + " this program holds");
    std::uint8_t flag = 0;
    std::int32_t f[6] = {};
    if (!in.u8(flag) || !in.i32(f[0]) || !in.i32(f[1]) || !in.i32(f[2]) || !in.i32(f[3]) ||
        !in.i32(f[4]) || !in.i32(f[5]) || !in.i32(out.periodSeconds))
        return refused("the file ends inside the run fields");
    if (!in.string(out.unit))
        return refused("the file ends inside the unit text");
    if (!in.i32(out.gain) || !in.i32(out.offset))
        return refused("the file ends inside the graph axis fields");
    out.fahrenheit = flag == 1;  // the writer only ever writes 0 or 1; anything else is not 1
    out.start = StartFields{f[0], f[1], f[2], f[3], f[4], f[5]};
    // Everything computed from these later (times, milliseconds, the axis)
    // must be safe: impossible times and periods are damage, and an axis
    // outside the settings' range is brought into it as the settings are.
    if (!isPossibleRunTime(out.start, out.periodSeconds))
        return refused("the start time or the sample period (" +
                       std::to_string(out.periodSeconds) + " s) is impossible");
    out.gain = gainInRange(out.gain);
    out.offset = offsetInRange(out.offset);
    LoadResult r;
    r.status = LoadStatus::kOk;
    r.gain = out.gain;
    r.offset = out.offset;
    return r;
}

void adoptMeasurement(const LoadedMeasurement& file, CHygDoc& doc) {
    const int n = std::clamp<int>(file.count, 0, kSampleCapacity);
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < kChannelCount; ++c) {
            const std::uint8_t* p =
                file.records +
                (static_cast<std::size_t>(r) * kChannelCount + static_cast<std::size_t>(c)) * 4;
            doc.m_recall[r][c] = std::bit_cast<float>(u32At(p));
        }
    }
    doc.m_recallCount = n;
    doc.m_recallFahrenheit = file.fahrenheit ? 1 : 0;
    doc.m_recallYear = file.start.year;
    doc.m_recallMonth = file.start.month;
    doc.m_recallDay = file.start.day;
    doc.m_recallHour = file.start.hour;
    doc.m_recallMinute = file.start.minute;
    doc.m_recallSecond = file.start.second;
    doc.m_recallPeriod = file.periodSeconds;
    doc.m_recallUnit = file.unit;
    doc.m_signatureIn = file.signature;
}

LoadResult readMeasurement(const std::uint8_t* data, std::size_t size, CHygDoc& doc) {
    LoadedMeasurement file;
    LoadResult r = parseMeasurementFile(data, size, file);
    if (r.ok())
        adoptMeasurement(file, doc);
    return r;
}

LoadResult loadMeasurement(const fs::path& path, CHygDoc& doc) {
    std::vector<std::uint8_t> bytes;
    LoadResult r;
    if (!readWholeFile(path, bytes, &r.reason)) {
        r.status = LoadStatus::kReadFailed;
        return r;
    }
    return readMeasurement(bytes.data(), bytes.size(), doc);
}

fs::path textTablePathFor(const fs::path& measurementPath) {
    fs::path p = measurementPath;
    if (lowerAscii(p.extension().string()) == ".asmdat")
        return p.replace_extension(".txt");
    p += ".txt";
    return p;
}

fs::path measurementPathFor(const fs::path& chosen) {
    return withExtension(chosen.string(), {".AsmDat"}, ".AsmDat");
}

SaveResult saveMeasurement(const fs::path& measurementPath, const RunSnapshot& run) {
    SaveResult r;
    r.measurementPath = measurementPath;
    r.textPath = textTablePathFor(measurementPath);
    const std::vector<std::uint8_t> bytes = encodeMeasurementFile(run);
    if (!writeFileAtomically(measurementPath, bytes.data(), bytes.size(), &r.error)) {
        r.failedPath = measurementPath;
        return r;
    }
    if (!writeTextTable(r.textPath, tableInputOf(run), &r.error)) {
        r.failedPath = r.textPath;
        return r;
    }
    r.ok = true;
    return r;
}

}  // namespace kr5061

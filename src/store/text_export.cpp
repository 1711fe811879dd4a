#include "store/text_export.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <ctime>
#include <optional>

#include "store/hyg_doc.h"
#include "store/measurement_file.h"
#include "store/number_text.h"

namespace kr5061 {
namespace {

constexpr std::string_view kTextHeader =
    "      NO             AIR                WB               DP               K/IR"
    "               RH              TIME";
constexpr std::string_view kLineEnd = "\r\n";

// The stored K/IR value of a missing probe is far below this; anything at or
// below it is shown as absent.
constexpr float kAbsentThreshold = -1000.0f;

bool toLocal(std::time_t t, std::tm& out) {
#ifdef _WIN32
    return localtime_s(&out, &t) == 0;
#else
    return localtime_r(&t, &out) != nullptr;
#endif
}

// Local time of sample i, or an empty text when the fields cannot be a time
// (a damaged file may carry any numbers there).
std::string sampleTime(const std::optional<std::time_t>& start, int i, int periodSeconds,
                       const char* pattern) {
    if (!start)
        return {};
    return localTimeText(*start + static_cast<std::int64_t>(i) * periodSeconds, pattern);
}

float shown(float reading, bool fahrenheit) {
    return fahrenheit ? toFahrenheit(reading) : reading;
}

std::string temperature(float reading, bool fahrenheit) {
    return formatFixed(shown(reading, fahrenheit), 1);
}

// K/IR is cut toward zero rather than rounded, as everywhere it is shown.
std::string surface(float reading, bool fahrenheit) {
    return formatCutTenth(shown(reading, fahrenheit));
}

// Right-aligns like "%Ns": pads on the left, never cuts a longer text.
void appendPadded(std::string& out, std::string_view text, std::size_t width) {
    if (text.size() < width)
        out.append(width - text.size(), ' ');
    out += text;
}

void appendTextLine(std::string& out, const TableInput& in, std::string_view unit, int i,
                    const std::optional<std::time_t>& start) {
    const auto value = [&](int channel) { return in.samples.at(i, channel); };
    const float kir = value(kSurface);
    const std::string kirText =
        (kir <= kAbsentThreshold ? std::string("----") : surface(kir, in.fahrenheit)) +
        std::string(unit);

    out += "  ";
    appendPadded(out, formatInt(i + 1), 5);
    out.append(10, ' ');
    appendPadded(out, temperature(value(kAir), in.fahrenheit) + std::string(unit), 9);
    out.append(10, ' ');
    appendPadded(out, temperature(value(kWetBulb), in.fahrenheit) + std::string(unit), 9);
    out.append(8, ' ');
    appendPadded(out, temperature(value(kDewPoint), in.fahrenheit) + std::string(unit), 9);
    out.append(8, ' ');
    appendPadded(out, kirText, 9);
    out.append(12, ' ');
    appendPadded(out, formatFixed(value(kHumidity), 1) + "%RH", 9);
    out.append(9, ' ');
    appendPadded(out, sampleTime(start, i, in.periodSeconds, "%m-%d-%y/%H:%M:%S"), 8);
    out += "  ";
    out += kLineEnd;
}

void appendCsvLine(std::string& out, const TableInput& in, int i,
                   const std::optional<std::time_t>& start, const CsvExtraColumns* extra) {
    const auto value = [&](int channel) { return in.samples.at(i, channel); };
    out += sampleTime(start, i, in.periodSeconds, "%Y-%m-%dT%H:%M:%S");
    for (int c : {kAir, kWetBulb, kDewPoint}) {
        out += ',';
        out += temperature(value(c), in.fahrenheit);
    }
    out += ',';
    if (value(kSurface) > kAbsentThreshold)
        out += surface(value(kSurface), in.fahrenheit);
    out += ',';
    out += formatFixed(value(kHumidity), 1);
    if (extra)
        extra->appendRow(out, in, i);
    out += kLineEnd;
}

int rowCount(const TableInput& in) {
    return std::clamp(in.count, 0, kSampleCapacity);
}

}  // namespace

// Calendar seconds of the start fields, the system deciding daylight saving.
// Fields read from a damaged file may be any 32-bit numbers: those whose tm
// form would overflow are no time at all.
std::optional<std::time_t> calendarSecondsOf(const StartFields& s) {
    if (s.year < INT_MIN + 1900 || s.month < INT_MIN + 1)
        return std::nullopt;
    std::tm tm{};
    tm.tm_year = s.year - 1900;
    tm.tm_mon = s.month - 1;
    tm.tm_mday = s.day;
    tm.tm_hour = s.hour;
    tm.tm_min = s.minute;
    tm.tm_sec = s.second;
    tm.tm_isdst = -1;
    errno = 0;
    const std::time_t t = std::mktime(&tm);
    if (t == static_cast<std::time_t>(-1) && errno != 0)
        return std::nullopt;
    return t;
}

StartFields startFieldsOf(std::int64_t calendarSeconds) {
    std::tm tm{};
    if (!toLocal(static_cast<std::time_t>(calendarSeconds), tm))
        return {};
    return StartFields{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                       tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

TableInput recallTableInput(const CHygDoc& doc) {
    TableInput in;
    in.samples = SampleView::recordMajor(doc.m_recall);
    in.count = std::clamp<int>(doc.m_recallCount, 0, kSampleCapacity);
    in.fahrenheit = doc.m_recallFahrenheit != 0;
    in.unit = doc.m_recallUnit;
    in.start = StartFields{doc.m_recallYear, doc.m_recallMonth,  doc.m_recallDay,
                           doc.m_recallHour, doc.m_recallMinute, doc.m_recallSecond};
    in.periodSeconds = doc.m_recallPeriod;
    return in;
}

std::string printableUnit(std::string_view unit) {
    std::string text(unit);
    for (char& c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == ',')
            c = '?';
    }
    return text;
}

std::string formatTextTable(const TableInput& in) {
    const int rows = rowCount(in);
    const auto start = calendarSecondsOf(in.start);
    const std::string unit = printableUnit(in.unit);
    std::string out;
    out.reserve(static_cast<std::size_t>(rows + 1) * 130);
    out += kTextHeader;
    out += kLineEnd;
    for (int i = 0; i < rows; ++i)
        appendTextLine(out, in, unit, i, start);
    return out;
}

std::string formatCsvTable(const TableInput& in) {
    return formatCsvTable(in, nullptr);
}

std::string formatCsvTable(const TableInput& in, const CsvExtraColumns* extra) {
    const int rows = rowCount(in);
    const auto start = calendarSecondsOf(in.start);
    const std::string u = in.fahrenheit ? "F" : "C";
    std::string out;
    out.reserve(static_cast<std::size_t>(rows + 1) * 50);
    out += "time,AIR (" + u + "),WB (" + u + "),DP (" + u + "),K/IR (" + u + "),RH (%RH)";
    if (extra)
        extra->appendHeader(out);
    out += kLineEnd;
    for (int i = 0; i < rows; ++i)
        appendCsvLine(out, in, i, start, extra);
    return out;
}

bool writeTextTable(const std::filesystem::path& path, const TableInput& in, std::string* error) {
    const std::string text = formatTextTable(in);
    return writeFileAtomically(path, text.data(), text.size(), error);
}

bool writeCsvTable(const std::filesystem::path& path, const TableInput& in, std::string* error,
                   const CsvExtraColumns* extra) {
    const std::string text = formatCsvTable(in, extra);
    return writeFileAtomically(path, text.data(), text.size(), error);
}

}  // namespace kr5061

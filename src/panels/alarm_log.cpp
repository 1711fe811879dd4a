#include "panels/alarm_log.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string_view>
#include <system_error>

#include "common/channels.h"
#include "store/journal_recovery.h"
#include "store/number_text.h"

namespace kr5061 {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kChannelNames[kChannelCount] = {"AIR", "WB", "DP", "K/IR", "RH"};

}  // namespace

AlarmLog::AlarmLog(fs::path file) : m_file(std::move(file)) {
    m_ring.resize(kCapacity);
}

const AlarmEvent& AlarmLog::newest(std::size_t i) const {
    return m_ring[(m_next + kCapacity - 1 - i) % kCapacity];
}

void AlarmLog::add(const AlarmEvent& event) {
    m_ring[m_next] = event;
    m_next = (m_next + 1) % kCapacity;
    m_count = std::min(m_count + 1, kCapacity);
    if (!m_file.empty()) {
        append(alarmEventLine(event) + "\n");
    }
    if (m_listener) {
        m_listener(event);
    }
}

void AlarmLog::append(const std::string& line) {
    std::error_code ec;
    fs::create_directories(m_file.parent_path(), ec);
    const std::uintmax_t size = fs::file_size(m_file, ec);
    if (!ec && size + line.size() > kRotateBytes) {
        fs::path older = m_file;
        older += ".1";
        fs::rename(m_file, older, ec);
        if (ec) {
            m_fileError = m_file.string() + ": " + ec.message();
            return;
        }
    }
    std::ofstream out(m_file, std::ios::binary | std::ios::app);
    out << line;
    out.flush();
    m_fileError = out ? std::string() : m_file.string() + ": could not be written";
}

fs::path alarmLogPath() {
    return stateDirectory() / "alarm-events.log";
}

std::string alarmTimeText(std::int64_t time) {
    const std::string text = localTimeText(time, "%Y-%m-%dT%H:%M:%S%z");
    // strftime gives the offset as +hhmm; ISO 8601's extended form wants +hh:mm.
    if (text.size() < 5) {
        return text;
    }
    const std::size_t minutes = text.size() - 2;
    std::string iso(text, 0, minutes);
    iso += ':';
    iso.append(text, minutes, 2);
    return iso;
}

std::string alarmChannelText(const AlarmEvent& e) {
    return e.channel >= 0 && e.channel < kChannelCount ? std::string(kChannelNames[e.channel])
                                                       : std::string("?");
}

std::string alarmKindText(const AlarmEvent& e) {
    switch (e.kind) {
        case AlarmKind::high:
            return "high alarm";
        case AlarmKind::low:
            return "low alarm";
        case AlarmKind::condensationRisk:
            return "condensation risk";
    }
    return {};
}

std::string alarmEventText(const AlarmEvent& e) {
    const bool risk = e.kind == AlarmKind::condensationRisk;
    std::string text = e.rise ? (risk ? "start" : "rise") : (risk ? "end" : "clear");
    return e.linkLost ? text + " (link lost)" : text;
}

std::string alarmValueText(float value, const AlarmEvent& e) {
    if (!std::isfinite(value)) {
        return "----";
    }
    return formatFixed(value, 1) + " " + e.unit;
}

std::string alarmEventLine(const AlarmEvent& e) {
    return alarmTimeText(e.time) + "  " + alarmChannelText(e) + "  " + alarmKindText(e) + "  " +
           alarmEventText(e) + "  value " + alarmValueText(e.value, e) + "  limit " +
           alarmValueText(e.limit, e);
}

std::string alarmEventsCsv(const AlarmLog& log) {
    std::string out = "time,channel,kind,event,value,limit,unit\r\n";
    for (std::size_t i = log.size(); i-- > 0;) {
        const AlarmEvent& e = log.newest(i);
        for (const std::string& field :
             {alarmTimeText(e.time), alarmChannelText(e), alarmKindText(e), alarmEventText(e)}) {
            out += field;
            out += ',';
        }
        if (std::isfinite(e.value)) {
            out += formatFixed(e.value, 1);
        }
        out += ',';
        out += formatFixed(e.limit, 1);
        out += ',';
        out += e.unit;
        out += "\r\n";
    }
    return out;
}

}  // namespace kr5061

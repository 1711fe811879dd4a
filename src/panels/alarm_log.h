#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kr5061 {

enum class AlarmKind : std::uint8_t { high, low, condensationRisk };

// One rise or clear of an alarm, or start or end of condensation risk.
// Values and limits are in the unit the instrument displayed; `linkLost`
// marks a clear by the link watchdog, which has no reading.
struct AlarmEvent {
    std::int64_t time = 0;  // calendar seconds
    int channel = 0;        // condensation risk belongs to the surface channel
    AlarmKind kind = AlarmKind::high;
    bool rise = true;
    bool linkLost = false;
    float value = 0, limit = 0;
    char unit[4] = {};  // "C", "F", "%RH", "K"
};

// The events of the program's lifetime, the last kCapacity of them in memory,
// each also appended as one line to a plain-text file (when one is given),
// which moves aside to "<file>.1" before it would grow past kRotateBytes.
class AlarmLog {
public:
    static constexpr std::size_t kCapacity = 10000;
    static constexpr std::uintmax_t kRotateBytes = 1024 * 1024;

    explicit AlarmLog(std::filesystem::path file = {});

    void add(const AlarmEvent& event);

    std::size_t size() const { return m_count; }
    // i = 0 is the newest event.
    const AlarmEvent& newest(std::size_t i) const;

    // Called after every added event (the window lists it, a notification goes out).
    void setListener(std::function<void(const AlarmEvent&)> listener) {
        m_listener = std::move(listener);
    }

    const std::filesystem::path& file() const { return m_file; }
    // Why the last event could not be appended to the file; empty when it was.
    const std::string& fileError() const { return m_fileError; }

private:
    void append(const std::string& line);

    std::filesystem::path m_file;
    std::vector<AlarmEvent> m_ring;
    std::size_t m_next = 0, m_count = 0;
    std::function<void(const AlarmEvent&)> m_listener;
    std::string m_fileError;
};

// The log file in the program's state directory.
std::filesystem::path alarmLogPath();

// Texts of an event, as the window's columns and the file show them.
std::string alarmTimeText(std::int64_t time);  // ISO 8601 local time with offset
std::string alarmChannelText(const AlarmEvent& e);
std::string alarmKindText(const AlarmEvent& e);                // "high alarm", "condensation risk"
std::string alarmEventText(const AlarmEvent& e);               // "rise", "clear", "start", "end"
std::string alarmValueText(float value, const AlarmEvent& e);  // "31.2 C"; "----" without reading

// One line of the log file (without its line end).
std::string alarmEventLine(const AlarmEvent& e);

// Every event of the log, oldest first:
//   time,channel,kind,event,value,limit,unit
// lines ended by CR LF, like the program's other CSV files.
std::string alarmEventsCsv(const AlarmLog& log);

}  // namespace kr5061

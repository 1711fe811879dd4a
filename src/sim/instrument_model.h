#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <random>

#include "link/frames.h"
#include "sim/command_receiver.h"
#include "sim/room_climate.h"
#include "sim/sim_options.h"

namespace kr5061 {

// Remote key codes (command 0x6B) and what the simulated instrument does with them.
inline constexpr std::uint8_t kKeyMaxMinUpper = 0x0A;      // cycle MAX, MIN, off for values 1-2
inline constexpr std::uint8_t kKeyMaxMinUpperExit = 0x0B;  // leave MAX/MIN of values 1-2
inline constexpr std::uint8_t kKeyAvgUpper = 0x14;         // running average of values 1-2 (REC 1)
inline constexpr std::uint8_t kKeyAvgLower = 0x16;         // running average of value 3 (REC 2)
inline constexpr std::uint8_t kKeyHoldUpper = 0x1E;        // freeze values 1-2
inline constexpr std::uint8_t kKeyUnits = 0x28;            // toggle degC / degF display
inline constexpr std::uint8_t kKeyBacklight = 0x2C;        // toggle the backlight
inline constexpr std::uint8_t kKeyHoldLower = 0x32;        // freeze value 3
inline constexpr std::uint8_t kKeyMaxMinLower = 0x3C;      // cycle MAX, MIN, off for value 3
inline constexpr std::uint8_t kKeyMaxMinLowerExit = 0x42;  // leave MAX/MIN of value 3
inline constexpr std::uint8_t kKeyArea = 0x46;             // value 1 shows AIR, WB, DP in turn
inline constexpr std::uint8_t kKeyAreaReset = 0x4D;        // value 1 back to AIR
inline constexpr std::uint8_t kKeyPowerOff = 0x50;         // stop streaming until the next start
inline constexpr std::uint8_t kIrtArgument = 0x0A;         // command 0x69: toggle surface hold

// Status byte A.
inline constexpr std::uint8_t kStatusAMax = 0x01;
inline constexpr std::uint8_t kStatusAMin = 0x02;
inline constexpr std::uint8_t kStatusAWetBulb = 0x04;
inline constexpr std::uint8_t kStatusADewPoint = 0x08;
inline constexpr std::uint8_t kStatusAHold = 0x10;
inline constexpr std::uint8_t kStatusARec = 0x20;
inline constexpr std::uint8_t kStatusASupplyNormal = 0x40;
inline constexpr std::uint8_t kStatusAPcLink = 0x80;
// Status byte B.
inline constexpr std::uint8_t kStatusBMax = 0x01;
inline constexpr std::uint8_t kStatusBMin = 0x02;
inline constexpr std::uint8_t kStatusBHold = 0x04;
inline constexpr std::uint8_t kStatusBRec = 0x08;
inline constexpr std::uint8_t kStatusBTypeK = 0x10;
inline constexpr std::uint8_t kStatusBFahrenheit = 0x20;
inline constexpr std::uint8_t kStatusBBacklight = 0x40;
inline constexpr std::uint8_t kStatusBSurfaceHold = 0x80;

// Measuring ranges of the two surface probes, degC.
inline constexpr float kIrFloor = -55.0f;
inline constexpr float kIrCeiling = 505.0f;
inline constexpr float kTypeKFloor = -148.0f;
inline constexpr float kTypeKCeiling = 2501.0f;

struct ModelCounters {
    std::uint64_t startCommands = 0;
    std::uint64_t keyFrames = 0;  // 0x6B key frames and the 0x69 IRT frame
    std::uint64_t polls = 0;
    std::uint64_t framesSent = 0;
    std::uint64_t rejectedFrames = 0;   // 11-byte candidates with a bad trailer or checksum
    std::uint64_t unknownCommands = 0;  // valid frames with a command nobody knows
};

// A short name of a received command frame for logs ("start", "key HOLD upper", ...).
const char* commandName(const CommandFrame& frame);

// The instrument as the program sees it through its serial line: it parses the
// command stream, keeps the display state the keys change, and hands out the
// bytes it would put on the line. Pure: the caller passes the time in and does
// the writing, so every behaviour is testable without a clock or a device.
class InstrumentModel {
public:
    explicit InstrumentModel(const SimOptions& options = {});

    // Bytes from the program: start and key frames, poll bytes, anything else.
    void receive(const std::uint8_t* data, std::size_t n, std::int64_t nowMs);

    // The next piece of output due at nowMs, to be written as one write (a
    // garbage burst, a whole frame, or one piece of a split frame); 0 when
    // nothing is due. Call again until it returns 0.
    std::size_t produce(std::int64_t nowMs, std::uint8_t* out, std::size_t cap);

    // Earliest time produce() may have something; nowMs when output is pending.
    std::int64_t nextWakeMs(std::int64_t nowMs) const;

    // True once the hang-up fault is due: the transport should close then.
    bool hangUpDue(std::int64_t nowMs) const;

    // A silent instrument keeps acting on commands but transmits nothing.
    void setSilent(bool silent) { m_silent = silent; }
    bool silent() const { return m_silent; }

    bool streaming() const { return m_streaming; }
    const ModelCounters& counters() const { return m_counters; }

    // Every valid command frame received so far is counted; the last
    // kRecentCommands are kept. Copies them oldest first and returns the count.
    static constexpr std::size_t kRecentCommands = 8;
    std::uint64_t commandCount() const { return m_commandCount; }
    std::size_t recentCommands(CommandFrame* out, std::size_t cap) const;

private:
    enum class Extreme { off, max, min };
    enum class Line1 { air, wetBulb, dewPoint };

    // Running max / min / average of one displayed quantity.
    struct Track {
        float max = 0, min = 0;
        double sum = 0;
        int count = 0;
        void add(float v);
        float value(Extreme extreme, bool average, float live) const;
    };
    enum TrackIndex { kTrackAir, kTrackWetBulb, kTrackDewPoint, kTrackHumidity, kTrackCount };

    void onCommand(const CommandFrame& frame, std::int64_t nowMs);
    void onKey(std::uint8_t code);
    void powerOff();
    Probe probeAt(std::int64_t nowMs) const;
    bool composeDue(std::int64_t nowMs);
    void buildFrame(std::int64_t nowMs, std::uint8_t* frame);
    float surfaceReading(const ClimateSample& c, Probe probe, std::uint8_t& marker);
    std::uint8_t statusA() const;
    std::uint8_t statusB(Probe probe) const;

    SimOptions m_options;
    CommandReceiver m_receiver;
    RoomClimate m_climate;
    std::mt19937 m_rng;
    ModelCounters m_counters;

    std::array<CommandFrame, kRecentCommands> m_recent{};
    std::uint64_t m_commandCount = 0;

    // Link and fault state.
    bool m_streaming = false;
    bool m_silent = false;
    bool m_silenceFired = false;
    std::int64_t m_firstStartMs = -1;
    std::int64_t m_nextFrameMs = 0;
    std::uint64_t m_framesThisStream = 0;
    Probe m_lastProbe;
    bool m_probeSeen = false;

    // Display state changed by the keys.
    bool m_fahrenheit;
    bool m_backlight = false;
    Line1 m_line1 = Line1::air;
    Extreme m_extreme1 = Extreme::off, m_extreme2 = Extreme::off;
    bool m_average1 = false, m_average2 = false;
    bool m_hold1 = false, m_hold2 = false, m_surfaceHold = false;
    std::array<Track, kTrackCount> m_track1{};
    Track m_track2{};

    // Last displayed values in degC (value 2 in % RH), and what the holds froze.
    bool m_shownValid = false;
    float m_shown1 = 0, m_shown2 = 0, m_shown3 = 0;
    bool m_held1Valid = false, m_held3Valid = false;
    float m_held1 = 0, m_held2 = 0, m_held3 = 0;
    float m_irtSurface = 0, m_irtDisplay3 = 0;
    std::uint8_t m_irtMarker = 0;

    // Output waiting to be handed out: optional garbage, then one frame; the
    // cut list ends each separate write.
    std::array<std::uint8_t, kMaxGarbageBytes + kLiveFrameSize> m_out{};
    std::size_t m_outLength = 0;
    std::size_t m_outPos = 0;
    std::array<std::size_t, 4> m_cuts{};
    std::size_t m_cutCount = 0;
    std::size_t m_cutIndex = 0;
};

}  // namespace kr5061

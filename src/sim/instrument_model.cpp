#include "sim/instrument_model.h"

#include <algorithm>
#include <cstring>

#include "common/channels.h"
#include "sim/psychrometrics.h"
#include "store/number_text.h"

namespace kr5061 {

namespace {
// Fault readings: beyond the probe's range so the program has to clamp them.
constexpr float kIrOverReading = 612.0f;
constexpr float kTypeKOverReading = 2612.0f;
constexpr float kUnderReading = -200.0f;
// A thermocouple touching the surface reads a little warmer than the IR spot.
constexpr float kContactOffset = 1.5f;
}  // namespace

const char* commandName(const CommandFrame& f) {
    if (f[3] == kCmdStart) {
        return f[4] == kCmdStart ? "start" : "unknown start argument";
    }
    if (f[3] == kCmdIrt) {
        return f[4] == kIrtArgument ? "key IRT (surface hold)" : "unknown IRT argument";
    }
    if (f[3] != kCmdKey) {
        return "unknown command";
    }
    switch (f[4]) {
        case kKeyMaxMinUpper:
            return "key MAX/MIN upper";
        case kKeyMaxMinUpperExit:
            return "key MAX/MIN upper double-click (exit)";
        case kKeyAvgUpper:
            return "key AVG (values 1-2)";
        case kKeyAvgLower:
            return "key AVG double-click (value 3)";
        case kKeyHoldUpper:
            return "key HOLD upper";
        case kKeyUnits:
            return "key UNITS";
        case kKeyBacklight:
            return "key UNITS double-click (backlight)";
        case kKeyHoldLower:
            return "key HOLD lower";
        case kKeyMaxMinLower:
            return "key MAX/MIN lower";
        case kKeyMaxMinLowerExit:
            return "key MAX/MIN lower double-click (exit)";
        case kKeyArea:
            return "key AREA/NEXT";
        case kKeyAreaReset:
            return "key AREA double-click (back to AIR)";
        case kKeyPowerOff:
            return "key POWEROFF";
        default:
            return "unknown key";
    }
}

void InstrumentModel::Track::add(float v) {
    if (count == 0 || v > max) {
        max = v;
    }
    if (count == 0 || v < min) {
        min = v;
    }
    sum += v;
    ++count;
}

float InstrumentModel::Track::value(Extreme extreme, bool average, float live) const {
    if (count == 0) {
        return live;
    }
    if (extreme == Extreme::max) {
        return max;
    }
    if (extreme == Extreme::min) {
        return min;
    }
    return average ? roundTenth(static_cast<float>(sum / count)) : live;
}

InstrumentModel::InstrumentModel(const SimOptions& options)
    : m_options(options),
      m_climate(options.seed),
      m_rng(options.seed ^ 0x9E3779B9u),
      m_lastProbe(options.probe),
      m_fahrenheit(options.fahrenheit) {
    m_options.intervalMs = std::max(m_options.intervalMs, 1);
    m_options.garbageBytes = std::clamp(m_options.garbageBytes, 0, kMaxGarbageBytes);
}

void InstrumentModel::receive(const std::uint8_t* data, std::size_t n, std::int64_t nowMs) {
    for (std::size_t i = 0; i < n; ++i) {
        const CommandReceiver::Result r = m_receiver.push(data[i]);
        m_counters.polls += static_cast<std::uint64_t>(r.polls);
        m_counters.rejectedFrames += r.frameRejected ? 1 : 0;
        if (r.frameReady) {
            onCommand(m_receiver.frame(), nowMs);
        }
    }
}

void InstrumentModel::onCommand(const CommandFrame& frame, std::int64_t nowMs) {
    m_recent[m_commandCount % kRecentCommands] = frame;
    ++m_commandCount;
    const std::uint8_t command = frame[3];
    const std::uint8_t argument = frame[4];
    if (command == kCmdStart && argument == kCmdStart) {
        ++m_counters.startCommands;
        if (m_firstStartMs < 0) {
            m_firstStartMs = nowMs;
        }
        // A repeated start while streaming keeps the frame rhythm.
        if (!m_streaming) {
            m_streaming = true;
            m_nextFrameMs = nowMs;
            m_framesThisStream = 0;
        }
    } else if (command == kCmdKey) {
        ++m_counters.keyFrames;
        // Keys act only while the PC link is up (after a start, before POWEROFF).
        if (m_streaming) {
            onKey(argument);
        }
    } else if (command == kCmdIrt && argument == kIrtArgument) {
        ++m_counters.keyFrames;
        if (m_streaming) {
            m_surfaceHold = !m_surfaceHold;
        }
    } else {
        ++m_counters.unknownCommands;
    }
}

void InstrumentModel::onKey(std::uint8_t code) {
    auto cycle = [](Extreme e) {
        return e == Extreme::off ? Extreme::max : e == Extreme::max ? Extreme::min : Extreme::off;
    };
    switch (code) {
        case kKeyMaxMinUpper:
            // Entering MAX starts a fresh record; MAX -> MIN keeps it.
            if (m_extreme1 == Extreme::off) {
                m_track1.fill(Track{});
            }
            m_extreme1 = cycle(m_extreme1);
            m_average1 = false;
            break;
        case kKeyMaxMinUpperExit:
            m_extreme1 = Extreme::off;
            break;
        case kKeyAvgUpper:
            m_average1 = !m_average1;
            m_extreme1 = Extreme::off;
            m_track1.fill(Track{});
            break;
        case kKeyAvgLower:
            m_average2 = !m_average2;
            m_extreme2 = Extreme::off;
            m_track2 = Track{};
            break;
        case kKeyHoldUpper:
            m_hold1 = !m_hold1;
            m_held1Valid = m_shownValid;
            m_held1 = m_shown1;
            m_held2 = m_shown2;
            break;
        case kKeyUnits:
            m_fahrenheit = !m_fahrenheit;
            break;
        case kKeyBacklight:
            m_backlight = !m_backlight;
            break;
        case kKeyHoldLower:
            m_hold2 = !m_hold2;
            m_held3Valid = m_shownValid;
            m_held3 = m_shown3;
            break;
        case kKeyMaxMinLower:
            if (m_extreme2 == Extreme::off) {
                m_track2 = Track{};
            }
            m_extreme2 = cycle(m_extreme2);
            m_average2 = false;
            break;
        case kKeyMaxMinLowerExit:
            m_extreme2 = Extreme::off;
            break;
        case kKeyArea:
            m_line1 = m_line1 == Line1::air       ? Line1::wetBulb
                      : m_line1 == Line1::wetBulb ? Line1::dewPoint
                                                  : Line1::air;
            break;
        case kKeyAreaReset:
            m_line1 = Line1::air;
            break;
        case kKeyPowerOff:
            powerOff();
            break;
        default:
            break;  // codes this instrument does not know are ignored
    }
}

void InstrumentModel::powerOff() {
    // Display modes do not survive power-off; the unit setting does.
    m_streaming = false;
    m_backlight = false;
    m_line1 = Line1::air;
    m_extreme1 = m_extreme2 = Extreme::off;
    m_average1 = m_average2 = false;
    m_hold1 = m_hold2 = m_surfaceHold = false;
    m_shownValid = false;
}

Probe InstrumentModel::probeAt(std::int64_t nowMs) const {
    if (m_options.probeSwitchSec <= 0 || m_firstStartMs < 0) {
        return m_options.probe;
    }
    const std::int64_t flips = (nowMs - m_firstStartMs) / (m_options.probeSwitchSec * 1000LL);
    if (flips % 2 == 0) {
        return m_options.probe;
    }
    return m_options.probe == Probe::infrared ? Probe::thermocouple : Probe::infrared;
}

std::uint8_t InstrumentModel::statusA() const {
    std::uint8_t a = kStatusASupplyNormal | kStatusAPcLink;
    a |= m_extreme1 == Extreme::max ? kStatusAMax : m_extreme1 == Extreme::min ? kStatusAMin : 0;
    a |= m_line1 == Line1::wetBulb    ? kStatusAWetBulb
         : m_line1 == Line1::dewPoint ? kStatusADewPoint
                                      : 0;
    a |= m_hold1 ? kStatusAHold : 0;
    a |= m_average1 ? kStatusARec : 0;
    return a;
}

std::uint8_t InstrumentModel::statusB(Probe probe) const {
    std::uint8_t b = m_extreme2 == Extreme::max   ? kStatusBMax
                     : m_extreme2 == Extreme::min ? kStatusBMin
                                                  : 0;
    b |= m_hold2 ? kStatusBHold : 0;
    b |= m_average2 ? kStatusBRec : 0;
    b |= probe == Probe::thermocouple ? kStatusBTypeK : 0;
    b |= m_fahrenheit ? kStatusBFahrenheit : 0;
    b |= m_backlight ? kStatusBBacklight : 0;
    b |= m_surfaceHold ? kStatusBSurfaceHold : 0;
    return b;
}

float InstrumentModel::surfaceReading(const ClimateSample& c, Probe probe, std::uint8_t& marker) {
    marker = 0;
    const bool ir = probe == Probe::infrared;
    switch (m_options.surfaceFault) {
        case SurfaceFault::absent:
            return kAbsentFrameReading;
        case SurfaceFault::overRange:
            marker = kRangeOver;
            return ir ? kIrOverReading : kTypeKOverReading;
        case SurfaceFault::underRange:
            marker = kRangeUnder;
            return kUnderReading;
        case SurfaceFault::none:
            break;
    }
    return ir ? c.surface : roundTenth(c.surface + kContactOffset);
}

void InstrumentModel::buildFrame(std::int64_t nowMs, std::uint8_t* frame) {
    const ClimateSample c = m_climate.step(nowMs);
    const Probe probe = probeAt(nowMs);
    // Changing the sensor cancels a surface hold; the IR sensor reads exactly
    // 0.0 in its first frame after the thermocouple while it settles.
    bool settling = false;
    if (m_probeSeen && probe != m_lastProbe) {
        m_surfaceHold = false;
        settling = probe == Probe::infrared;
    }
    m_lastProbe = probe;
    m_probeSeen = true;

    std::uint8_t marker = 0;
    float surface = settling ? 0.0f : surfaceReading(c, probe, marker);
    // Surface hold freezes the IR reading only; the thermocouple keeps streaming.
    const bool irtHeld = m_surfaceHold && probe == Probe::infrared;
    if (irtHeld) {
        surface = m_irtSurface;
        marker = m_irtMarker;
    } else {
        m_irtSurface = surface;
        m_irtMarker = marker;
    }
    const bool surfaceMeasured =
        !settling && !irtHeld && m_options.surfaceFault == SurfaceFault::none;

    const float quantity[kTrackCount] = {c.air, c.wetBulb, c.dewPoint, c.humidity};
    for (int i = 0; i < kTrackCount; ++i) {
        m_track1[i].add(quantity[i]);
    }
    if (surfaceMeasured) {
        m_track2.add(surface);
    }
    const int line = m_line1 == Line1::air       ? kTrackAir
                     : m_line1 == Line1::wetBulb ? kTrackWetBulb
                                                 : kTrackDewPoint;
    float shown1 = m_track1[line].value(m_extreme1, m_average1, quantity[line]);
    float shown2 = m_track1[kTrackHumidity].value(m_extreme1, m_average1, c.humidity);
    float shown3 = surfaceMeasured ? m_track2.value(m_extreme2, m_average2, surface) : surface;
    if (irtHeld) {
        shown3 = m_irtDisplay3;
    } else {
        m_irtDisplay3 = shown3;
    }
    if (m_hold1) {
        if (!m_held1Valid) {
            m_held1 = shown1;
            m_held2 = shown2;
            m_held1Valid = true;
        }
        shown1 = m_held1;
        shown2 = m_held2;
    }
    if (m_hold2) {
        if (!m_held3Valid) {
            m_held3 = shown3;
            m_held3Valid = true;
        }
        shown3 = m_held3;
    }
    m_shown1 = shown1;
    m_shown2 = shown2;
    m_shown3 = shown3;
    m_shownValid = true;

    // Readings always travel in degC; only the display values follow the unit.
    auto display = [this](float celsius) {
        return m_fahrenheit ? roundTenth(toFahrenheit(celsius)) : celsius;
    };
    std::memset(frame, 0, kLiveFrameSize);
    std::memcpy(frame, kLiveHeader, sizeof kLiveHeader);
    frame[kOffRangeMarker] = marker;
    frame[kOffStatusA] = statusA();
    frame[kOffStatusB] = statusB(probe);
    writeFloatLE(frame + kOffAir, c.air);
    writeFloatLE(frame + kOffWetBulb, c.wetBulb);
    writeFloatLE(frame + kOffDewPoint, c.dewPoint);
    writeFloatLE(frame + kOffHumidity, c.humidity);
    writeFloatLE(frame + kOffSurface, surface);
    writeFloatLE(frame + kOffDisplay1, display(shown1));
    writeFloatLE(frame + kOffDisplay2, shown2);
    writeFloatLE(frame + kOffDisplay3, shown3 == kAbsentFrameReading ? shown3 : display(shown3));
    frame[kLiveTrailerOffset] = kLiveTrailer;
}

bool InstrumentModel::composeDue(std::int64_t nowMs) {
    if (m_outPos < m_outLength) {
        return true;
    }
    if (!m_streaming) {
        return false;
    }
    if (m_options.silenceAfterSec >= 0 && !m_silenceFired &&
        nowMs - m_firstStartMs >= m_options.silenceAfterSec * 1000LL) {
        m_silenceFired = true;
        m_silent = true;
    }
    if (m_silent || nowMs < m_nextFrameMs) {
        return false;
    }
    // Keep the rhythm, but never burst to catch up after a stall.
    m_nextFrameMs += m_options.intervalMs;
    if (m_nextFrameMs <= nowMs) {
        m_nextFrameMs = nowMs + m_options.intervalMs;
    }

    std::size_t pos = 0;
    m_cutCount = 0;
    m_cutIndex = 0;
    if (m_options.garbageBytes > 0 && m_framesThisStream > 0) {
        for (; pos < static_cast<std::size_t>(m_options.garbageBytes); ++pos) {
            m_out[pos] = static_cast<std::uint8_t>(m_rng());
        }
        m_cuts[m_cutCount++] = pos;
    }
    buildFrame(nowMs, m_out.data() + pos);
    if (m_options.splitFrames) {
        // Two or three pieces, each at least one byte long.
        const std::size_t first = 1 + m_rng() % (kLiveFrameSize - 2);
        m_cuts[m_cutCount++] = pos + first;
        if (m_rng() % 2 == 0) {
            m_cuts[m_cutCount++] = pos + first + 1 + m_rng() % (kLiveFrameSize - 1 - first);
        }
    }
    m_cuts[m_cutCount++] = pos + kLiveFrameSize;
    m_outLength = pos + kLiveFrameSize;
    m_outPos = 0;
    ++m_framesThisStream;
    return true;
}

std::size_t InstrumentModel::produce(std::int64_t nowMs, std::uint8_t* out, std::size_t cap) {
    if (cap == 0 || !composeDue(nowMs)) {
        return 0;
    }
    const std::size_t end = m_cuts[m_cutIndex];
    const std::size_t n = std::min(cap, end - m_outPos);
    std::memcpy(out, m_out.data() + m_outPos, n);
    m_outPos += n;
    if (m_outPos == end) {
        ++m_cutIndex;
    }
    if (m_outPos == m_outLength) {
        ++m_counters.framesSent;
        m_outPos = m_outLength = 0;
    }
    return n;
}

std::int64_t InstrumentModel::nextWakeMs(std::int64_t nowMs) const {
    if (m_outPos < m_outLength) {
        return nowMs;
    }
    if (!m_streaming || m_silent) {
        return nowMs + 1000;  // nothing scheduled; incoming bytes wake the caller anyway
    }
    return std::max(nowMs, m_nextFrameMs);
}

bool InstrumentModel::hangUpDue(std::int64_t nowMs) const {
    return m_options.hangupAfterSec >= 0 && m_firstStartMs >= 0 &&
           nowMs - m_firstStartMs >= m_options.hangupAfterSec * 1000LL;
}

std::size_t InstrumentModel::recentCommands(CommandFrame* out, std::size_t cap) const {
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::uint64_t>({m_commandCount, kRecentCommands, cap}));
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = m_recent[(m_commandCount - n + i) % kRecentCommands];
    }
    return n;
}

}  // namespace kr5061

#include "sim/sim_command_line.h"

#include <charconv>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace kr5061 {

namespace {

bool parseInt(std::string_view text, int lo, int hi, int& out) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < lo || value > hi) {
        return false;
    }
    out = value;
    return true;
}

}  // namespace

bool parseSimCommandLine(int argc, const char* const* argv, SimCommandLine& out,
                         std::string& error) {
    constexpr int kMaxSeconds = 24 * 3600;
    SimOptions& o = out.options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        // Options with a value take it from the next argument.
        auto value = [&](std::string_view& v) {
            if (i + 1 >= argc) {
                error = std::string(arg) + " needs a value";
                return false;
            }
            v = argv[++i];
            return true;
        };
        auto number = [&](int lo, int hi, int& target) {
            std::string_view v;
            if (!value(v)) {
                return false;
            }
            if (!parseInt(v, lo, hi, target)) {
                error = std::string(arg) + ": expected a whole number from " + std::to_string(lo) +
                        " to " + std::to_string(hi) + ", got '" + std::string(v) + "'";
                return false;
            }
            return true;
        };
        std::string_view v;
        bool ok = true;
        if (arg == "--help" || arg == "-h") {
            out.help = true;
        } else if (arg == "--interval-ms") {
            ok = number(20, 60000, o.intervalMs);
        } else if (arg == "--silence-after") {
            ok = number(0, kMaxSeconds, o.silenceAfterSec);
        } else if (arg == "--hangup-after") {
            ok = number(0, kMaxSeconds, o.hangupAfterSec);
        } else if (arg == "--garbage") {
            ok = number(0, kMaxGarbageBytes, o.garbageBytes);
        } else if (arg == "--split") {
            o.splitFrames = true;
        } else if (arg == "--probe-switch") {
            ok = number(0, kMaxSeconds, o.probeSwitchSec);
        } else if (arg == "--fahrenheit") {
            o.fahrenheit = true;
        } else if (arg == "--verbose") {
            out.verbose = true;
        } else if (arg == "--seed") {
            int seed = 0;
            ok = number(0, 2147483647, seed);
            o.seed = static_cast<std::uint32_t>(seed);
        } else if (arg == "--surface") {
            ok = value(v);
            if (ok && v == "absent") {
                o.surfaceFault = SurfaceFault::absent;
            } else if (ok && v == "over") {
                o.surfaceFault = SurfaceFault::overRange;
            } else if (ok && v == "under") {
                o.surfaceFault = SurfaceFault::underRange;
            } else if (ok) {
                error = "--surface: expected absent, over or under, got '" + std::string(v) + "'";
                ok = false;
            }
        } else if (arg == "--probe") {
            ok = value(v);
            if (ok && (v == "ir" || v == "k")) {
                o.probe = v == "ir" ? Probe::infrared : Probe::thermocouple;
            } else if (ok) {
                error = "--probe: expected ir or k, got '" + std::string(v) + "'";
                ok = false;
            }
        } else if (arg == "--link") {
            ok = value(v);
            if (ok && v.empty()) {
                error = "--link: empty path";
                ok = false;
            }
            out.linkPath = std::string(v);
        } else {
            error = "unknown option '" + std::string(arg) + "' (try --help)";
            ok = false;
        }
        if (!ok) {
            return false;
        }
    }
    return true;
}

bool prepareLinkPath(const std::string& linkPath, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(linkPath, ec);
    if (status.type() == fs::file_type::not_found) {
        return true;
    }
    if (status.type() != fs::file_type::symlink) {
        error = "--link: " + linkPath + " exists and is not a symbolic link; not replacing it";
        return false;
    }
    if (!fs::remove(linkPath, ec)) {
        error = "--link: cannot remove the old link " + linkPath + ": " + ec.message();
        return false;
    }
    return true;
}

const char* simHelpText() {
    return R"(Usage: kr5061-sim [options]

Simulates a KR5061 psychrometer on a pseudo-terminal. The first line printed is
the slave device; point the program's --port at it. Nothing is sent until the
start command arrives; then one 46-byte live frame per interval, paced at 4800
baud. Runs until interrupted (SIGINT/SIGTERM) or the hang-up fault fires.
Times counted "after" start at the first start command received.

Options:
  --interval-ms N     Send a live frame every N ms (20..60000, default 500).
  --silence-after SEC Stop transmitting SEC seconds after the first start and stay
                      silent; commands are still received and acted on.
  --hangup-after SEC  Close the pseudo-terminal SEC seconds after the first start
                      (the program sees a hang-up), then exit.
  --garbage N         Write N random bytes before every frame but the first
                      (0..1024).
  --split             Deliver every frame in two or three separate writes.
  --surface KIND      Surface reading fault: absent (-1000.0), over (range marker
                      0x64, 612.0 IR / 2612.0 TYPE-K) or under (marker 0x9C,
                      -200.0).
  --probe ir|k        Surface probe at power-on: infrared sensor (default) or
                      type-K thermocouple.
  --probe-switch SEC  Swap the probe between IR and TYPE-K every SEC seconds; the
                      first IR frame after TYPE-K reads 0.0 while it settles.
  --fahrenheit        Start with Fahrenheit display (readings stay Celsius).
  --seed N            Seed of the climate, garbage and split points (default 5061).
  --link PATH         Also create a symlink PATH to the slave, removed at exit.
  --verbose           Log every command received to stderr.
  --help              Show this text.

Remote keys (command 0x6B unless noted; they act only while streaming):
  0x0A MAX/MIN upper    cycle MAX, MIN, off; values 1-2 show the extreme since MAX
  0x0B (double-click)   leave MAX/MIN of values 1-2
  0x14 AVG              toggle running average of values 1-2 (REC annunciator 1)
  0x16 (double-click)   toggle running average of value 3 (REC annunciator 2)
  0x1E HOLD upper       toggle HOLD of values 1-2
  0x28 UNITS            toggle C/F display
  0x2C (double-click)   toggle the backlight
  0x32 HOLD lower       toggle HOLD of value 3
  0x3C MAX/MIN lower    cycle MAX, MIN, off for value 3
  0x42 (double-click)   leave MAX/MIN of value 3
  0x46 AREA/NEXT        value 1 shows AIR, then WB, then DP
  0x4D (double-click)   value 1 back to AIR
  0x50 POWEROFF         stop streaming and clear display modes until the next start
  0x69 0x0A IRT         toggle surface hold: the IR reading freezes
  Other codes are ignored. A stand-alone 0x11 counts as a poll.
)";
}

}  // namespace kr5061

#pragma once

#include <cstdint>

namespace kr5061 {

enum class Probe { infrared, thermocouple };

enum class SurfaceFault { none, absent, overRange, underRange };

// Largest garbage burst between frames; keeps the output buffer fixed in size.
inline constexpr int kMaxGarbageBytes = 1024;

// How the simulated instrument behaves and which faults it injects. Times that
// say "after" count from the first start command the instrument receives.
struct SimOptions {
    int intervalMs = 500;      // one live frame per interval while streaming
    int silenceAfterSec = -1;  // stop streaming for good after this long; -1 = never
    int hangupAfterSec = -1;   // close the pseudo-terminal after this long; -1 = never
    int garbageBytes = 0;      // random bytes written before every frame but the first
    bool splitFrames = false;  // deliver each frame in 2-3 separate writes
    SurfaceFault surfaceFault = SurfaceFault::none;
    int probeSwitchSec = 0;         // toggle IR / TYPE-K this often; 0 = never
    Probe probe = Probe::infrared;  // probe at power-on
    bool fahrenheit = false;        // display unit at power-on
    std::uint32_t seed = 5061;      // climate, garbage and split points are reproducible
};

}  // namespace kr5061

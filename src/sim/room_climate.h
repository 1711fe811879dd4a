#pragma once

#include <cstdint>
#include <random>

namespace kr5061 {

// One moment of the simulated room, all in degC and % RH.
struct ClimateSample {
    float air = 0;
    float wetBulb = 0;
    float dewPoint = 0;
    float humidity = 0;
    float surface = 0;  // the warm object the IR sensor or thermocouple looks at
};

// A slowly drifting room: slow sinusoids plus a bounded random walk, so a
// recorded run shows believable curves. Air stays within 18..28 degC, RH within
// 35..65 %, the surface within 30..60 degC. Wet bulb and dew point follow from
// air and RH, so DP <= WB <= AIR always holds. Values carry the instrument's
// 0.1 resolution.
class RoomClimate {
public:
    explicit RoomClimate(std::uint32_t seed);

    // Advances the random walk by one step and returns the climate at nowMs.
    ClimateSample step(std::int64_t nowMs);

private:
    float walk(float value, float stepSize, float limit);

    std::mt19937 m_rng;
    float m_airWalk = 0;
    float m_rhWalk = 0;
    float m_surfaceWalk = 0;
};

// Rounds to the 0.1 resolution of the instrument's readings.
float roundTenth(float value);

}  // namespace kr5061

#include "sim/room_climate.h"

#include <algorithm>
#include <cmath>

#include "sim/psychrometrics.h"

namespace kr5061 {

namespace {
constexpr double kTwoPi = 6.283185307179586;

double wave(std::int64_t nowMs, double periodSec, double phase) {
    return std::sin(kTwoPi * (static_cast<double>(nowMs) / 1000.0 / periodSec) + phase);
}
}  // namespace

float roundTenth(float value) {
    return std::round(value * 10.0f) / 10.0f;
}

RoomClimate::RoomClimate(std::uint32_t seed) : m_rng(seed) {}

float RoomClimate::walk(float value, float stepSize, float limit) {
    std::uniform_real_distribution<float> delta(-stepSize, stepSize);
    return std::clamp(value + delta(m_rng), -limit, limit);
}

ClimateSample RoomClimate::step(std::int64_t nowMs) {
    m_airWalk = walk(m_airWalk, 0.05f, 1.5f);
    m_rhWalk = walk(m_rhWalk, 0.2f, 4.0f);
    m_surfaceWalk = walk(m_surfaceWalk, 0.3f, 4.0f);

    ClimateSample s;
    const double air = 23.0 + 3.0 * wave(nowMs, 600.0, 0.0) + m_airWalk;
    const double rh = 50.0 + 10.0 * wave(nowMs, 900.0, 1.3) + m_rhWalk;
    const double surface = 45.0 + 10.0 * wave(nowMs, 300.0, 0.4) + m_surfaceWalk;
    s.air = roundTenth(std::clamp(static_cast<float>(air), 18.0f, 28.0f));
    s.humidity = roundTenth(std::clamp(static_cast<float>(rh), 35.0f, 65.0f));
    // Derived from the rounded values so the three temperatures stay ordered.
    s.wetBulb = roundTenth(static_cast<float>(wetBulbC(s.air, s.humidity)));
    s.dewPoint = roundTenth(static_cast<float>(dewPointC(s.air, s.humidity)));
    s.surface = roundTenth(std::clamp(static_cast<float>(surface), 30.0f, 60.0f));
    return s;
}

}  // namespace kr5061

#pragma once

#include <span>

namespace kr5061::psychro {

// What the psychrometric chart spans: dry-bulb temperature along the bottom
// (degC), humidity ratio up the right side (kg/kg).
struct ChartRange {
    double tMinC = -10, tMaxC = 50;
    double wMin = 0, wMax = 0.030;
};

// A state of air to keep in view.
struct ChartFocus {
    double tC = 0;
    double w = 0;
};

// The classic chart (-10..50 degC, 0..30 g/kg) widened to hold every focus
// and every extra temperature (surface, dew point) with room to spare:
// temperatures on 5 K steps, at least 30 K wide; humidity up to where the air
// of the chart's warmer part saturates and at least a third above the moistest
// focus.
ChartRange followRange(std::span<const ChartFocus> focus, std::span<const double> temperaturesC,
                       double pKPa);

// Zooms about an anchor (degC, kg/kg) that stays in place: factors below 1
// zoom in. The range stays within the formulas' temperatures, above zero
// humidity and no narrower than 1 K by 0.2 g/kg.
ChartRange zoomRange(const ChartRange& range, double anchorC, double anchorW, double factor);

// Round grid values: the first multiple of `step` at or above lo, the step a
// 1, 2 or 5 times a power of ten giving at most `maxCount` values up to hi.
struct Ticks {
    double first = 0, step = 1;
    int count = 0;
    double at(int i) const { return first + step * i; }
};
Ticks niceTicks(double lo, double hi, int maxCount);

}  // namespace kr5061::psychro

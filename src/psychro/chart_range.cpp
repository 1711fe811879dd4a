#include "psychro/chart_range.h"

#include <algorithm>
#include <cmath>

#include "psychro/moist_air.h"

namespace kr5061::psychro {

namespace {

constexpr double kMinSpanC = 1.0, kMinSpanW = 0.0002, kMaxW = 2.0;

double niceStep(double rough) {
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (const double m : {1.0, 2.0, 5.0}) {
        if (m * power >= rough * (1 - 1e-9))
            return m * power;
    }
    return 10.0 * power;
}

double ceilTo(double v, double step) {
    return std::ceil(v / step - 1e-9) * step;
}

}  // namespace

Ticks niceTicks(double lo, double hi, int maxCount) {
    if (!(hi > lo) || maxCount < 1)
        return {};
    Ticks t;
    t.step = niceStep((hi - lo) / maxCount);
    while (true) {
        t.first = ceilTo(lo, t.step);
        t.count = static_cast<int>(std::floor((hi - t.first) / t.step + 1e-9)) + 1;
        if (t.count <= maxCount)
            break;
        t.step = niceStep(t.step * 1.01);
    }
    return t;
}

ChartRange followRange(std::span<const ChartFocus> focus, std::span<const double> temperaturesC,
                       double pKPa) {
    ChartRange r;
    if (focus.empty() && temperaturesC.empty())
        return r;
    double lo = HUGE_VAL, hi = -HUGE_VAL, wTop = 0;
    for (const ChartFocus& f : focus) {
        lo = std::min(lo, f.tC);
        hi = std::max(hi, f.tC);
        wTop = std::max(wTop, f.w);
    }
    for (const double t : temperaturesC) {
        lo = std::min(lo, t);
        hi = std::max(hi, t);
    }
    r.tMinC = std::min(r.tMinC, std::floor((lo - 5.0) / 5.0) * 5.0);
    r.tMaxC = std::max(r.tMaxC, std::ceil((hi + 5.0) / 5.0) * 5.0);
    r.tMinC = std::max(r.tMinC, kMinTemperatureC);
    r.tMaxC = std::min(r.tMaxC, kMaxTemperatureC);
    const double warm = r.tMinC + 0.65 * (r.tMaxC - r.tMinC);
    const double wsWarm = saturationHumidityRatio(warm, pKPa).value_or(kMaxW);
    const double w = std::clamp(std::max(wsWarm, wTop * 1.35), 0.002, kMaxW);
    r.wMax = ceilTo(w, niceStep(w / 6.0));
    return r;
}

ChartRange zoomRange(const ChartRange& range, double anchorC, double anchorW, double factor) {
    ChartRange r = range;
    const double spanT = std::max((range.tMaxC - range.tMinC) * factor, kMinSpanC);
    const double spanW = std::max((range.wMax - range.wMin) * factor, kMinSpanW);
    const double fracT = (anchorC - range.tMinC) / (range.tMaxC - range.tMinC);
    const double fracW = (anchorW - range.wMin) / (range.wMax - range.wMin);
    r.tMinC = anchorC - fracT * spanT;
    r.tMaxC = r.tMinC + spanT;
    r.wMin = anchorW - fracW * spanW;
    r.wMax = r.wMin + spanW;
    // Shift, rather than squeeze, a range that would leave the formulas' limits.
    if (r.tMinC < kMinTemperatureC) {
        r.tMaxC += kMinTemperatureC - r.tMinC;
        r.tMinC = kMinTemperatureC;
    }
    if (r.tMaxC > kMaxTemperatureC) {
        r.tMinC = std::max(kMinTemperatureC, r.tMinC - (r.tMaxC - kMaxTemperatureC));
        r.tMaxC = kMaxTemperatureC;
    }
    if (r.wMin < 0) {
        r.wMax -= r.wMin;
        r.wMin = 0;
    }
    r.wMax = std::min(r.wMax, kMaxW);
    return r;
}

}  // namespace kr5061::psychro

#include "psychro/chart_scene.h"

#include <algorithm>
#include <cmath>

#include "psychro/chart_geometry.h"
#include "store/number_text.h"

namespace kr5061::psychro {

namespace {

constexpr float kCurveSpacingPx = 8.0f;  // curves are sampled about every 8 pixels
constexpr float kLabelStubPx = 14.0f;    // enthalpy lines reach this far past saturation

struct Builder {
    const ChartBackgroundInputs& in;
    ChartScene& s;
    DisplayUnits units;
    LabelSpace labels;
    double f;  // enhancement factor at the chart's pressure

    double p() const { return in.pressureKPa; }

    // Humidity ratio of saturated air, or none above the boiling point.
    std::optional<double> ws(double t) const { return saturationHumidityRatio(t, p()); }

    // Temperature at which a line W(t) falling with t meets saturation.
    template <class F>
    double meetsSaturation(F lineW, double lo, double hi) const {
        for (int i = 0; i < 60; ++i) {
            const double mid = 0.5 * (lo + hi);
            const auto w = ws(mid);
            if (!w || *w > lineW(mid)) {
                hi = mid;
            } else {
                lo = mid;
            }
        }
        return 0.5 * (lo + hi);
    }

    void layout();
    void temperatureGrid();
    void humidityGrid();
    void volumeLines();
    void enthalpyLines();
    void wetBulbLines();
    void humidityCurves();
    void titles();
    void addLabel(ChartText text, ChartFont font);
};

void Builder::layout() {
    const ChartFontSizes& fo = in.fonts;
    s.width = in.width;
    s.height = in.height;
    s.range = in.range;
    s.plot.left = 12.0f;
    s.plot.top = fo.titleHeight + 14.0f;
    s.plot.right =
        static_cast<float>(in.width) - (fo.tickCharWidth * 6.0f + 14.0f + fo.titleHeight);
    const float strip = std::max(18.0f, fo.labelHeight + 6.0f);
    s.plot.bottom =
        static_cast<float>(in.height) - (strip + fo.tickHeight + fo.titleHeight + 14.0f);
    s.plot.right = std::max(s.plot.right, s.plot.left + 10.0f);
    s.plot.bottom = std::max(s.plot.bottom, s.plot.top + 10.0f);
    s.markerStrip = {s.plot.left, s.plot.bottom, s.plot.right, s.plot.bottom + strip};
}

void Builder::temperatureGrid() {
    const Ticks ticks = niceTicks(units.tOut(s.range.tMinC), units.tOut(s.range.tMaxC),
                                  std::max(2, static_cast<int>(s.plot.width() / 55.0f)));
    const int decimals = decimalsFor(ticks.step);
    for (int i = 0; i < ticks.count; ++i) {
        const double t = units.tIn(ticks.at(i));
        const float x = s.xOf(t);
        const double top = std::min(ws(t).value_or(s.range.wMax), s.range.wMax);
        if (top > s.range.wMin) {
            addSegment(s, {x, s.yOf(s.range.wMin)}, {x, s.yOf(top)}, ChartInk::grid);
        }
        ChartText label;
        label.x = x;
        label.y = s.markerStrip.bottom + 2.0f;
        label.align = kAlignHCentre | kAlignTop;
        label.text = formatFixed(ticks.at(i), decimals);
        s.texts.push_back(std::move(label));
    }
}

void Builder::humidityGrid() {
    const Ticks ticks = niceTicks(units.wOut(s.range.wMin), units.wOut(s.range.wMax),
                                  std::max(2, static_cast<int>(s.plot.height() / 36.0f)));
    const int decimals = decimalsFor(ticks.step);
    for (int i = 0; i < ticks.count; ++i) {
        const double w = units.wIn(ticks.at(i));
        const float y = s.yOf(w);
        const auto td = dewPointOf(vapourPressureOf(w, p()), p());
        const float x0 = std::max(s.plot.left, td ? s.xOf(*td) : s.plot.left);
        if (x0 < s.plot.right) {
            addSegment(s, {x0, y}, {s.plot.right, y}, ChartInk::grid);
        }
        ChartText label;
        label.x = s.plot.right + 5.0f;
        label.y = y;
        label.align = kAlignLeft | kAlignVCentre;
        label.text = formatFixed(ticks.at(i), decimals);
        s.texts.push_back(std::move(label));
    }
}

void Builder::volumeLines() {
    const double vLo = specificVolumeM3PerKg(s.range.tMinC, s.range.wMin, p());
    const double tTop = std::min(s.range.tMaxC, boilingPointC(p()));
    const double vHi =
        specificVolumeM3PerKg(tTop, std::min(ws(tTop).value_or(s.range.wMax), s.range.wMax), p());
    const Ticks ticks = niceTicks(units.vOut(vLo), units.vOut(vHi),
                                  std::max(2, static_cast<int>(s.plot.width() / 90.0f)));
    const int decimals = decimalsFor(ticks.step);
    for (int i = 0; i < ticks.count; ++i) {
        const double v = units.vIn(ticks.at(i));
        const auto lineW = [&](double t) {
            return (v * p() / (0.287042 * (t + 273.15)) - 1.0) / 1.607858;
        };
        const double tDry = v * p() / 0.287042 - 273.15;
        const double tSat = meetsSaturation(lineW, kMinTemperatureC, tDry);
        addCurve(s, 8, tSat, tDry, lineW, ChartInk::volume, ChartStroke::solid, 1.0f);
        const double wLabel = s.wAt(s.plot.bottom - 4.0f);
        const double tLabel = solveFalling(lineW, wLabel, tSat, tDry);
        ChartText label;
        label.x = s.xOf(tLabel) + 3.0f;
        label.y = s.plot.bottom - 3.0f;
        label.align = kAlignLeft | kAlignBottom;
        label.ink = ChartInk::volume;
        label.text = formatFixed(ticks.at(i), decimals);
        addLabel(std::move(label), ChartFont::label);
    }
}

void Builder::enthalpyLines() {
    const double hLo = enthalpyKJPerKg(s.range.tMinC, s.range.wMin);
    const double tTop = std::min(s.range.tMaxC, boilingPointC(p()));
    const double hHi =
        enthalpyKJPerKg(s.range.tMaxC, std::min(ws(tTop).value_or(s.range.wMax), s.range.wMax));
    const Ticks ticks = niceTicks(units.hOut(hLo), units.hOut(hHi),
                                  std::max(2, static_cast<int>(s.plot.width() / 35.0f)));
    const int decimals = decimalsFor(ticks.step);
    for (int i = 0; i < ticks.count; ++i) {
        const double h = units.hIn(ticks.at(i));
        const auto lineW = [h](double t) { return (h - 1.006 * t) / (2501.0 + 1.86 * t); };
        const double tDry = h / 1.006;
        const double tSat = meetsSaturation(lineW, kMinTemperatureC, tDry);
        addCurve(s, 6, tSat, tDry, lineW, ChartInk::enthalpy, ChartStroke::solid, 1.0f);
        // A short stub past the saturation curve carries the value, like the
        // enthalpy scale of a printed chart.
        const ChartPoint end{s.xOf(tSat), s.yOf(lineW(tSat))};
        const ChartPoint next{s.xOf(tSat + 1.0), s.yOf(lineW(tSat + 1.0))};
        const float dx = end.x - next.x, dy = end.y - next.y;
        const float len = std::hypot(dx, dy);
        if (len <= 0)
            continue;
        const ChartPoint stub{end.x + dx / len * kLabelStubPx, end.y + dy / len * kLabelStubPx};
        const ChartPoint stubLine[] = {end, stub};
        addClipped(s, stubLine, ChartInk::enthalpy, ChartStroke::solid, 1.0f);
        ChartText label;
        label.x = stub.x;
        label.y = stub.y;
        label.align = kAlignRight | kAlignBottom;
        label.ink = ChartInk::enthalpy;
        label.text = formatFixed(ticks.at(i), decimals);
        addLabel(std::move(label), ChartFont::label);
    }
}

void Builder::wetBulbLines() {
    const Ticks ticks = niceTicks(units.tOut(s.range.tMinC), units.tOut(s.range.tMaxC),
                                  std::max(2, static_cast<int>(s.plot.width() / 40.0f)));
    const int decimals = decimalsFor(ticks.step);
    for (int i = 0; i < ticks.count; ++i) {
        const double twb = units.tIn(ticks.at(i));
        const auto wsStar = ws(twb);
        if (!wsStar)
            continue;
        const auto lineW = [&](double t) {
            return humidityRatioFromWetBulb(t, twb, p()).value_or(0.0);
        };
        const double latent = twb >= 0 ? 2501.0 - 2.326 * twb : 2830.0 - 0.24 * twb;
        const double tDry = twb + latent * *wsStar / 1.006;
        addCurve(s, 8, twb, tDry, lineW, ChartInk::wetBulb, ChartStroke::dashed, 1.0f);
        // On the saturation curve itself, where the wet bulb equals the dry bulb.
        ChartText label;
        label.x = s.xOf(twb);
        label.y = s.yOf(*wsStar);
        label.align = kAlignHCentre | kAlignVCentre;
        label.ink = ChartInk::wetBulb;
        label.halo = true;
        label.text = formatFixed(ticks.at(i), decimals);
        addLabel(std::move(label), ChartFont::label);
    }
}

void Builder::humidityCurves() {
    const int n = std::max(2, static_cast<int>(s.plot.width() / kCurveSpacingPx) + 1);
    const double tEnd = std::min(s.range.tMaxC, boilingPointC(p()));
    std::vector<double> ps(static_cast<std::size_t>(n));
    std::vector<ChartPoint>& pts = scratch();
    for (int i = 0; i < n; ++i) {
        const double t = s.range.tMinC + (tEnd - s.range.tMinC) * i / (n - 1);
        ps[static_cast<std::size_t>(i)] = f * saturationPressureKPa(t);
    }
    const double wLabelTop = s.wAt(s.plot.top + labels.height(ChartFont::label) * 1.5f);
    for (int k = 1; k <= 10; ++k) {
        const double phi = k / 10.0;
        pts.clear();
        for (int i = 0; i < n; ++i) {
            const double pw = phi * ps[static_cast<std::size_t>(i)];
            if (!(pw < p()))
                break;
            const double t = s.range.tMinC + (tEnd - s.range.tMinC) * i / (n - 1);
            pts.push_back({s.xOf(t), s.yOf(humidityRatioOf(pw, p()))});
        }
        const bool saturation = k == 10;
        addClipped(s, pts, saturation ? ChartInk::saturation : ChartInk::relativeHumidity,
                   ChartStroke::solid, saturation ? 2.0f : 1.0f);
        if (saturation)
            continue;
        // The label sits towards the right, or where the curve leaves the top.
        double t = s.range.tMinC + 0.8 * (s.range.tMaxC - s.range.tMinC);
        double w = humidityRatioOf(phi * f * saturationPressureKPa(t), p());
        if (w > wLabelTop) {
            const auto tTop = dewPointOf(vapourPressureOf(wLabelTop, p()) / phi, p());
            if (!tTop)
                continue;
            t = *tTop;
            w = wLabelTop;
        }
        ChartText label;
        label.x = s.xOf(t);
        label.y = s.yOf(w);
        label.align = kAlignHCentre | kAlignVCentre;
        label.ink = ChartInk::relativeHumidity;
        label.halo = true;
        label.text = formatInt(k * 10) + "%";
        addLabel(std::move(label), ChartFont::label);
    }
}

void Builder::titles() {
    const ChartFontSizes& fo = in.fonts;
    ChartText bottom;
    bottom.x = 0.5f * (s.plot.left + s.plot.right);
    bottom.y = s.markerStrip.bottom + fo.tickHeight + 6.0f;
    bottom.align = kAlignHCentre | kAlignTop;
    bottom.font = ChartFont::title;
    bottom.text =
        std::string("Dry-bulb temperature (") + std::string(units.temperatureUnit()) + ")";
    s.texts.push_back(std::move(bottom));

    ChartText right;
    right.x = static_cast<float>(in.width) - 6.0f - fo.titleHeight;
    right.y = 0.5f * (s.plot.top + s.plot.bottom);
    right.align = kAlignHCentre | kAlignTop;
    right.font = ChartFont::title;
    right.vertical = true;
    right.text = std::string("Humidity ratio (") + std::string(units.humidityUnit()) + ")";
    s.texts.push_back(std::move(right));

    ChartText top;
    top.x = s.plot.left;
    top.y = 6.0f;
    top.font = ChartFont::title;
    top.text = "Psychrometric chart at " + units.pressureText(p());
    s.texts.push_back(std::move(top));

    // The key of the line kinds, right-aligned in the title row.
    const std::pair<ChartInk, std::string> key[] = {
        {ChartInk::relativeHumidity, "relative humidity"},
        {ChartInk::wetBulb, std::string("wet bulb ") + std::string(units.temperatureUnit())},
        {ChartInk::enthalpy, std::string("enthalpy ") + std::string(units.enthalpyUnit())},
        {ChartInk::volume, std::string("volume ") + std::string(units.volumeUnit())},
    };
    float x = s.plot.right;
    for (int i = 3; i >= 0; --i) {
        ChartText t;
        t.x = x;
        t.y = 6.0f + (fo.titleHeight - fo.labelHeight);
        t.align = kAlignRight | kAlignTop;
        t.font = ChartFont::label;
        t.ink = key[i].first;
        t.text = key[i].second;
        x -= labels.widthOf(t.text, ChartFont::label) + 14.0f;
        s.texts.push_back(std::move(t));
    }
}

void Builder::addLabel(ChartText text, ChartFont font) {
    text.font = font;
    if (labels.place(text, s.plot)) {
        s.texts.push_back(std::move(text));
    }
}

}  // namespace

std::uint32_t inkColour(ChartInk ink) {
    constexpr std::uint32_t kColours[kChartInkCount] = {
        0xffffffff,  // paper
        0xff3c3c3c,  // frame
        0xffd2d2d2,  // grid
        0xff0a286e,  // saturation
        0xff286ec8,  // relative humidity
        0xff1e8c3c,  // wet bulb
        0xffc86e14,  // enthalpy
        0xff8c46aa,  // volume
        0xff1e1e1e,  // text
        0xffdc1414,  // state point
        0xffdc3c3c,  // trail
        0xffc864c8,  // surface, the K/IR trace colour
        0xff0096aa,  // dew point
        0xff3caa50,  // margin clear
        0xffe61e1e,  // margin at risk
    };
    return kColours[static_cast<int>(ink)];
}

void ChartScene::clear() {
    points.clear();
    lines.clear();
    markers.clear();
    bars.clear();
    texts.clear();
}

float ChartScene::xOf(double tC) const {
    return plot.left +
           static_cast<float>((tC - range.tMinC) / (range.tMaxC - range.tMinC)) * plot.width();
}

float ChartScene::yOf(double w) const {
    return plot.bottom -
           static_cast<float>((w - range.wMin) / (range.wMax - range.wMin)) * plot.height();
}

double ChartScene::tAt(float x) const {
    return range.tMinC + (x - plot.left) / plot.width() * (range.tMaxC - range.tMinC);
}

double ChartScene::wAt(float y) const {
    return range.wMin + (plot.bottom - y) / plot.height() * (range.wMax - range.wMin);
}

void buildChartBackground(const ChartBackgroundInputs& in, ChartScene& scene) {
    scene.clear();
    Builder b{in, scene, DisplayUnits{in.units}, LabelSpace{in.fonts},
              enhancementFactor(in.pressureKPa)};
    b.layout();
    const ChartRect& r = scene.plot;
    const ChartPoint frame[] = {{r.left, r.top},
                                {r.right, r.top},
                                {r.right, r.bottom},
                                {r.left, r.bottom},
                                {r.left, r.top}};
    b.temperatureGrid();
    b.humidityGrid();
    b.volumeLines();
    b.enthalpyLines();
    b.wetBulbLines();
    b.humidityCurves();
    addPolyline(scene, frame, ChartInk::frame, ChartStroke::solid, 1.0f);
    b.titles();
}

}  // namespace kr5061::psychro

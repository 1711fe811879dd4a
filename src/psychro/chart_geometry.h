#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "psychro/chart_scene.h"

// Helpers the chart's builders share: units of the axes, lines clipped to the
// plot, and room for labels.
namespace kr5061::psychro {

// The chart's scales in the units shown: SI, or degF, grains per pound,
// Btu per pound and cubic feet per pound. `out` converts from SI, `in` back.
struct DisplayUnits {
    Units units = Units::si;

    bool ip() const { return units == Units::ip; }
    double tOut(double c) const { return ip() ? fahrenheitOf(c) : c; }
    double tIn(double d) const { return ip() ? (d - 32.0) / 1.8 : d; }
    double wOut(double w) const { return ip() ? grainsPerPoundOf(w) : w * 1000.0; }
    double wIn(double d) const { return ip() ? d / 7000.0 : d / 1000.0; }
    double hOut(double kJ) const { return ip() ? btuPerPoundOf(kJ) : kJ; }
    double hIn(double d) const { return ip() ? (d - 0.240 * 32.0) * 2.326 : d; }
    double vOut(double m3) const { return ip() ? cubicFeetPerPoundOf(m3) : m3; }
    double vIn(double d) const { return ip() ? d / 16.018463 : d; }
    double marginOut(double k) const { return ip() ? k * 1.8 : k; }

    std::string_view temperatureUnit() const { return ip() ? "\u00b0F" : "\u00b0C"; }
    std::string_view marginUnit() const { return ip() ? "\u00b0F" : "K"; }
    std::string_view humidityUnit() const { return ip() ? "gr/lb" : "g/kg"; }
    std::string_view enthalpyUnit() const { return ip() ? "Btu/lb" : "kJ/kg"; }
    std::string_view volumeUnit() const { return ip() ? "ft\u00b3/lb" : "m\u00b3/kg"; }
    std::string pressureText(double kPa) const;
};

// Decimals that show every multiple of a grid step (0.02 -> 2, 5 -> 0).
int decimalsFor(double step);

// Lines appended to the scene as they are, or clipped to its plot.
void addPolyline(ChartScene& s, std::span<const ChartPoint> pts, ChartInk ink, ChartStroke stroke,
                 float width, float alpha = 1.0f);
void addSegment(ChartScene& s, ChartPoint a, ChartPoint b, ChartInk ink,
                ChartStroke stroke = ChartStroke::solid, float width = 1.0f, float alpha = 1.0f);
void addClipped(ChartScene& s, std::span<const ChartPoint> pts, ChartInk ink, ChartStroke stroke,
                float width);

// A buffer for points on their way into a scene, kept between builds.
std::vector<ChartPoint>& scratch();

// A line of humidity ratio over temperature, sampled from t0 to t1 and clipped.
template <class F>
void addCurve(ChartScene& s, int samples, double t0, double t1, F lineW, ChartInk ink,
              ChartStroke stroke, float width) {
    std::vector<ChartPoint>& pts = scratch();
    pts.clear();
    for (int i = 0; i < samples; ++i) {
        const double t = t0 + (t1 - t0) * i / (samples - 1);
        pts.push_back({s.xOf(t), s.yOf(lineW(t))});
    }
    addClipped(s, pts, ink, stroke, width);
}

// Where a line falling with temperature reaches `target`, between lo and hi.
template <class F>
double solveFalling(F lineW, double target, double lo, double hi) {
    for (int i = 0; i < 50; ++i) {
        const double mid = 0.5 * (lo + hi);
        (lineW(mid) > target ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
}

// Labels that keep clear of each other and inside the plot. Sizes are
// estimated from the window's font sizes.
class LabelSpace {
public:
    explicit LabelSpace(const ChartFontSizes& fonts) : m_fonts(fonts) {}

    float height(ChartFont font) const;
    float widthOf(std::string_view utf8, ChartFont font) const;
    ChartRect boxOf(const ChartText& text) const;
    // False when the label would leave `within` or cover one placed before.
    bool place(const ChartText& text, const ChartRect& within);

private:
    ChartFontSizes m_fonts;
    std::vector<ChartRect> m_placed;
};

}  // namespace kr5061::psychro

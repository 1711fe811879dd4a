#include <algorithm>
#include <cmath>

#include "psychro/chart_geometry.h"
#include "psychro/chart_scene.h"
#include "store/number_text.h"

namespace kr5061::psychro {

namespace {

constexpr float kStateRadius = 6.0f;
constexpr float kTrailRadius = 2.5f;
constexpr float kStripMarker = 6.0f;

bool insidePlot(const ChartScene& s, float x, float y) {
    return x >= s.plot.left && x <= s.plot.right && y >= s.plot.top && y <= s.plot.bottom;
}

bool onAxis(const ChartScene& s, float x) {
    return x >= s.plot.left && x <= s.plot.right;
}

void trail(ChartScene& o, std::span<const ChartFocus> states) {
    const std::size_t n = std::min<std::size_t>(states.size(), kTrailLength);
    states = states.subspan(states.size() - n);
    ChartPoint previous{};
    bool havePrevious = false;
    for (std::size_t i = 0; i < n; ++i) {
        // Older states fade: the newest is nearly opaque, the oldest faint.
        const float alpha = 0.12f + 0.6f * static_cast<float>(i + 1) / static_cast<float>(n);
        const ChartPoint p{o.xOf(states[i].tC), o.yOf(states[i].w)};
        if (havePrevious && insidePlot(o, p.x, p.y) && insidePlot(o, previous.x, previous.y)) {
            addSegment(o, previous, p, ChartInk::trail, ChartStroke::solid, 1.5f, alpha);
        }
        if (insidePlot(o, p.x, p.y)) {
            o.markers.push_back({MarkerShape::dot, ChartInk::trail, p.x, p.y, kTrailRadius, alpha});
        }
        previous = p;
        havePrevious = true;
    }
}

void stripLabel(ChartScene& o, LabelSpace& labels, float x, bool toTheRight, ChartInk ink,
                std::string text) {
    ChartText t;
    t.x = toTheRight ? x + kStripMarker + 3.0f : x - kStripMarker - 3.0f;
    t.y = o.markerStrip.bottom - 1.0f;
    t.align = (toTheRight ? kAlignLeft : kAlignRight) | kAlignBottom;
    t.font = ChartFont::label;
    t.ink = ink;
    t.text = std::move(text);
    if (labels.place(t,
                     {0, o.markerStrip.top, static_cast<float>(o.width), o.markerStrip.bottom})) {
        o.texts.push_back(std::move(t));
    }
}

// Surface and dew point on the temperature axis, with the margin between them.
void axisMarkers(ChartScene& o, const ChartOverlayInputs& in) {
    const DisplayUnits units{in.units};
    LabelSpace labels{in.fonts};
    const float tip = o.markerStrip.top;
    const std::optional<double> td = in.dewPointC, ts = in.surfaceC;
    const Condensation c = condensationOf(ts, td, in.thresholdK);
    if (c.marginK && onAxis(o, o.xOf(*td)) && onAxis(o, o.xOf(*ts))) {
        const float a = o.xOf(*td), b = o.xOf(*ts);
        const bool risk =
            c.level == CondensationLevel::risk || c.level == CondensationLevel::condensation;
        o.bars.push_back({risk ? ChartInk::marginRisk : ChartInk::marginClear, std::min(a, b),
                          tip + 1.0f, std::max(a, b), tip + 5.0f});
    }
    // The one further right gets its label on the right, the other on the left.
    const bool surfaceRight = !td || !ts || *ts >= *td;
    if (ts && onAxis(o, o.xOf(*ts))) {
        const float x = o.xOf(*ts);
        o.markers.push_back(
            {MarkerShape::triangleUp, ChartInk::surface, x, tip + kStripMarker, kStripMarker, 1});
        stripLabel(o, labels, x, surfaceRight, ChartInk::surface,
                   "surface " + formatFixed(units.tOut(*ts), 1));
    }
    if (td && onAxis(o, o.xOf(*td))) {
        const float x = o.xOf(*td);
        o.markers.push_back(
            {MarkerShape::triangleUp, ChartInk::dewPoint, x, tip + kStripMarker, kStripMarker, 1});
        stripLabel(o, labels, x, !surfaceRight, ChartInk::dewPoint,
                   "dew point " + formatFixed(units.tOut(*td), 1));
    }
}

}  // namespace

void buildChartOverlay(const ChartScene& bg, const ChartOverlayInputs& in, ChartScene& o) {
    o.clear();
    o.width = bg.width;
    o.height = bg.height;
    o.plot = bg.plot;
    o.markerStrip = bg.markerStrip;
    o.range = bg.range;
    trail(o, in.trail);
    if (in.state) {
        const float x = o.xOf(in.state->tC), y = o.yOf(in.state->w);
        if (in.dewPointC && insidePlot(o, x, y)) {
            // Cooled at constant humidity ratio the air saturates at its dew point.
            const float xd = std::max(o.plot.left, o.xOf(*in.dewPointC));
            if (x - kStateRadius > xd) {
                addSegment(o, {x - kStateRadius, y}, {xd, y}, ChartInk::dewPoint,
                           ChartStroke::dotted, 1.5f);
            }
            if (xd > o.plot.left) {
                addSegment(o, {xd, y}, {xd, o.plot.bottom}, ChartInk::dewPoint, ChartStroke::dotted,
                           1.0f);
                o.markers.push_back({MarkerShape::diamond, ChartInk::dewPoint, xd, y, 4.5f, 1});
            }
        }
        if (insidePlot(o, x, y)) {
            o.markers.push_back({MarkerShape::ring, ChartInk::statePoint, x, y, kStateRadius, 1});
        }
    }
    axisMarkers(o, in);
}

}  // namespace kr5061::psychro

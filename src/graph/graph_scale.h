#pragma once

#include "common/run_state.h"
#include "graph/live_graph.h"
#include "store/hyg_doc.h"
#include "store/number_text.h"

namespace kr5061 {

// Live scale when a run starts: this many sample positions across the plot.
inline constexpr int kStartPointsPerScreen = 100;

// The value a stored reading is plotted at: Fahrenheit for the temperatures when
// the instrument displays it (never RH), then one decimal, K/IR cut toward zero
// and the others rounded half away from zero.
// The one rounding rule of both graphs, inline for their 50 000 values a paint.
inline float plottedValue(int channel, float stored, bool fahrenheit) {
    const float v = fahrenheit && channel != kHumidity ? toFahrenheit(stored) : stored;
    return channel == kSurface ? cutToTenth(v) : roundToTenth(v);
}

// Level 0 of the value axis from the axis settings: grid line k carries
// (offset + k) x gain, k = 0 at the bottom.
void buildLevel0Axis(LiveGraph& graph, int gain, int offset);

// Plot-bitmap y of value r on an axis running from lo (bottom, y = height) to
// hi (top, y = 0). Values off the axis land outside 0..height; they are never
// pulled to the edge, so the absent K/IR marker vanishes far below the plot.
inline float valueToY(float r, float lo, float hi, int height) {
    const float h = static_cast<float>(height);
    return h - h * (r - lo) / (hi - lo);
}

// The same on a given zoom level's axis.
inline float valueToY(const LiveGraph& graph, int level, float r, int height) {
    return valueToY(r, graph.axisValue[level][0], graph.axisValue[level][kAxisLines - 1], height);
}

// Scale work at the start of every paint. The first sample of a run returns the
// graph to an unzoomed live scale of 100 positions; then the sample spacing is
// fitted to the current pointsPerScreen and plot width.
void beginLiveScale(LiveGraph& graph, ViewState& view, int plotWidth);

// The time axis never scrolls in live mode; once the run holds more samples
// than the screen has positions, it shrinks the spacing so that the samples so
// far fill eleven twelfths of the width and counts the positions anew. Returns
// true when it compressed: the paint then asks for another full repaint at the
// new scale. A plot without width has nothing to compress against.
bool compressIfFull(LiveGraph& graph, int sampleCount, int plotWidth);

// Walks the committed samples: fills plotX/plotY and level 0 of levelX/levelY
// for every channel and every sample 0..m_sampleIndex-1 (only once at least two
// exist), compressing on the way wherever the run outgrows the screen, as often
// as that happens. Live mode spaces level 0 like the live plot and remembers the
// scale; zoom mode keeps level 0 at the spacing frozen when the zoom began, while
// new samples keep arriving. Returns true when any compression happened.
bool fillLevel0(LiveGraph& graph, const ViewState& view, const CHygDoc& doc, int plotWidth,
                int plotHeight);

// The paint's scale steps in order: live scale, level-0 axis, sample walk.
// Returns true when the view must be invalidated again.
bool updateLiveScale(LiveGraph& graph, ViewState& view, const CHygDoc& doc, int plotWidth,
                     int plotHeight);

}  // namespace kr5061

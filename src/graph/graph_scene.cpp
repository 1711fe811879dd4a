#include "graph/graph_scene.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <ctime>

#include "common/same_bits.h"
#include "graph/graph_scale.h"
#include "graph/trace_redraw.h"
#include "graph/zoom_cursor.h"
#include "store/number_text.h"

namespace kr5061 {

GraphScene::GraphScene() {
    m_capacity[0] = 32;
    m_capacity[1] = kOpCapacity;
    for (int l = 0; l < 2; ++l) {
        m_ops[l] = std::make_unique<RasterOp[]>(static_cast<std::size_t>(m_capacity[l]));
    }
}

void GraphScene::assign(const GraphScene& other) {
    for (int l = 0; l < 2; ++l) {
        m_count[l] = std::min(other.m_count[l], m_capacity[l]);
        std::copy(other.m_ops[l].get(), other.m_ops[l].get() + m_count[l], m_ops[l].get());
    }
    m_textCount = other.m_textCount;
    std::copy(other.m_texts, other.m_texts + m_textCount, m_texts);
    std::copy(std::begin(other.surface), std::end(other.surface), surface);
    width = other.width;
    height = other.height;
}

void GraphScene::clear() {
    m_count[0] = m_count[1] = 0;
    m_textCount = 0;
}

void GraphScene::add(const RasterOp& op) {
    const int l = static_cast<int>(layerOf(op.surface));
    if (m_count[l] < m_capacity[l]) {
        m_ops[l][m_count[l]++] = op;
    }
}

void GraphScene::addText(const SceneText& text) {
    if (m_textCount < kTextCapacity) {
        m_texts[m_textCount++] = text;
    }
}

int valueLabelShift(float v) {
    if (v >= 0) {
        return v < 10 ? 4 : v < 100 ? 3 : v < 1000 ? 2 : 1;
    }
    return v > -10 ? 3 : v > -100 ? 2 : v > -1000 ? 1 : 0;
}

namespace {

// "%.2f" in the C locale, into a fixed buffer.
void formatValue(float v, char* out, int capacity) {
    const auto r =
        std::to_chars(out, out + capacity - 1, static_cast<double>(v), std::chars_format::fixed, 2);
    *(r.ec == std::errc() ? r.ptr : out) = '\0';
}

struct Painter {
    GraphScene& scene;

    void fill(Surface s, int x, int y, int w, int h, Pixel c) {
        scene.add({OpKind::Fill,
                   s,
                   LineStyle::Solid,
                   c,
                   static_cast<float>(x),
                   static_cast<float>(y),
                   static_cast<float>(w),
                   static_cast<float>(h),
                   {}});
    }
    void line(Surface s, float x0, float y0, float x1, float y1, Pixel c,
              LineStyle style = LineStyle::Solid) {
        scene.add({OpKind::Line, s, style, c, x0, y0, x1, y1, {}});
    }
    void trace(const TracePoints& t, Pixel c) {
        RasterOp op{OpKind::Trace, Surface::Plot, LineStyle::Solid, c, 0, 0, 0, 0, t};
        scene.add(op);
    }
    void text(Surface s, int x, int y, const char* str, Pixel background) {
        SceneText t;
        t.surface = s;
        t.x = x;
        t.y = y;
        t.background = background;
        t.length = static_cast<int>(std::min(std::strlen(str), sizeof t.text - 1));
        std::memcpy(t.text, str, static_cast<std::size_t>(t.length));
        scene.addText(t);
    }
};

void placeSurfaces(GraphScene& scene, const PlotGeometry& g, const SceneInputs& in) {
    const PixelRect& c = in.viewClient;
    scene.width = c.width();
    scene.height = c.height();
    const PixelRect all{0, 0, scene.width, scene.height};
    auto place = [&](Surface s, int ox, int oy, const PixelRect& clip) {
        scene.surface[static_cast<int>(s)] = {ox, oy, intersect(clip, all)};
    };
    place(Surface::View, 0, 0, all);
    place(Surface::Frame, -in.frameOriginX, -in.frameOriginY, all);
    place(Surface::Plot, g.x0, g.y0,
          rectAt(g.x0, g.y0, std::max(g.width, 0), std::max(g.height, 0)));
    const PixelRect& v = g.valueLabelStrip;
    place(Surface::ValueStrip, v.left, v.top,
          rectAt(v.left, v.top, std::max(c.left + 68, 0), std::max(v.height(), 0)));
    const PixelRect& m = g.rightMarginStrip;
    place(Surface::RightMargin, m.left, m.top,
          rectAt(m.left, m.top, std::max(m.width(), 0), std::max(g.y1 - (c.top + 94), 0)));
}

// What shows through where the graph leaves the view unpainted: the frame's
// own background and the two band-coloured rectangles the frame paints.
void frameBackground(Painter& p, const SceneInputs& in) {
    const int r = in.viewClient.right + in.frameOriginX;
    const int b = in.viewClient.bottom + in.frameOriginY;
    // Around the plot only: the plot bitmap covers its own rectangle anyway.
    const int w = in.viewClient.width(), h = in.viewClient.height();
    const PlotGeometry g = plotGeometry(in.viewClient);
    if (g.width > 0 && g.height > 0) {
        p.fill(Surface::View, 0, 0, w, g.y0, in.buttonFace);
        p.fill(Surface::View, 0, g.y1, w, h - g.y1, in.buttonFace);
        p.fill(Surface::View, 0, g.y0, g.x0, g.height, in.buttonFace);
        p.fill(Surface::View, g.x1, g.y0, w - g.x1, g.height, in.buttonFace);
    } else {
        p.fill(Surface::View, 0, 0, w, h, in.buttonFace);
    }
    const FrameBands bands = frameBands(r, b);
    for (const PixelRect& band : {bands.rightMargin, bands.legend}) {
        p.fill(Surface::Frame, band.left, band.top, band.width(), band.height(), kBandColour);
    }
}

void legend(Painter& p, const PlotGeometry& g, const ViewState& view, const PixelRect& c) {
    p.fill(Surface::Frame, 290, 125, c.right - 280, 23, kBandColour);
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (!view.m_showTrace[ch]) {
            continue;
        }
        char name[8] = {};
        std::memcpy(name, kChannelName[ch].data(), kChannelName[ch].size());
        p.text(Surface::Frame, g.x0 + 65 + 100 * ch, g.y0 + 10, name, kBandColour);
        // A two-pixel pen along y0 + 28 covers that row and the one above.
        p.fill(Surface::Frame, g.x0 + 50 + 100 * ch, g.y0 + 27, 50, 2, kTraceColour[ch]);
    }
}

// A paint wipes the cursor line. After a committed sample the line stays: the
// window draws it again over the new picture. Any other repaint leaves it
// absent, so the next move draws a fresh one.
void cursorAfterPaint(LiveGraph& graph, ViewState& view, PaintOutcome& out) {
    if (view.m_plotting) {
        if (!graph.cursorLineAbsent) {
            out.keepCursorLine = true;
            out.cursorX = graph.cursorX;
            view.m_plotting = false;
        }
    } else {
        graph.cursorLineAbsent = true;
    }
}

// Samples per live grid column: whole samples in a twelfth of the width.
int liveColumnSamples(const LiveGraph& graph, int w) {
    return truncToInt(static_cast<float>(w / 12) / graph.pixelsPerSample);
}

void grids(Painter& p, const LiveGraph& graph, int n, const PlotGeometry& g) {
    const int w = g.width, h = g.height;
    const float fh = static_cast<float>(h);
    if (n == 0) {
        for (int i = 0; i <= 12; ++i) {
            const float x = static_cast<float>(i * w / 12);
            p.line(Surface::Plot, x, fh, x, 0.0f, kGridColour, LineStyle::Dotted);
        }
    } else if (graph.liveMode != 0) {
        const int k = liveColumnSamples(graph, w);
        for (int i = 0; i <= 13; ++i) {
            const float x = truncWhole(static_cast<float>(i * k) * graph.pixelsPerSample);
            p.line(Surface::Plot, x, fh, x, 0.0f, kGridColour, LineStyle::Dotted);
        }
    }
    for (int i = 1; i <= 10; ++i) {
        const float y = static_cast<float>(truncToInt(i * h * 0.1));
        p.line(Surface::Plot, 0.0f, y, static_cast<float>(w), y, kGridColour, LineStyle::Dotted);
    }
}

void liveTraces(Painter& p, const LiveGraph& graph, const ViewState& view, int n) {
    if (n < 2) {
        return;
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (!view.m_showTrace[ch]) {
            continue;
        }
        TracePoints t;
        t.xs = graph.plotX;
        t.ys = graph.plotY[ch];
        t.count = n;
        p.trace(t, kTraceColour[ch]);
    }
}

// Seconds per sample; the period is whole seconds and the division truncates.
std::int64_t periodSeconds(const ViewState& view) {
    return view.m_samplePeriodMs / 1000;
}

void liveTimes(GraphScene& scene, const LiveGraph& graph, const ViewState& view, int w) {
    const std::int64_t k = liveColumnSamples(graph, w);
    scene.timeAtGrid[0] = view.m_startTime;
    for (int m = 1; m <= 4; ++m) {
        scene.timeAtGrid[m] = view.m_startTime + 3 * m * k * periodSeconds(view);
    }
}

// Samples per zoom grid column for r samples across the plot.
int zoomColumnSamples(int w, float dT) {
    const int r = truncToInt(static_cast<float>(w) / dT);
    const int div = r <= 1 ? 0 : std::min(r, 4);
    const int k = div == 0 ? 1 : truncToInt(static_cast<float>(w / div) / dT);
    // When integer halving leaves less than one sample a column, every line
    // marks one sample rather than all ten piling up on the first.
    return std::max(k, 1);
}

struct ZoomAxis {
    float dT = 0, t0 = 0;
    bool usable = false;  // spacing known: at least two samples laid out
};

ZoomAxis zoomAxis(const LiveGraph& graph, int level) {
    const float* x = graph.levelX[kAir][level];
    ZoomAxis a{x[1] - x[0], x[0], false};
    a.usable = std::isfinite(a.dT) && std::isfinite(a.t0) && a.dT > 0.0f;
    return a;
}

void zoomPaint(Painter& p, GraphScene& scene, LiveGraph& graph, ViewState& view, int n,
               const PlotGeometry& g, PaintOutcome& out) {
    const int z = graph.zoomLevel;
    out.zoomMode = true;
    out.scrollRange = n;
    if (g.width > 0 && g.height > 0) {
        rebuildLevels(graph, g, n);
    }
    const ZoomAxis a = zoomAxis(graph, z);
    if (!a.usable) {
        return;
    }
    if (!graph.scrollInitialised) {
        view.m_scrollPos = truncToInt(-a.t0 / a.dT);
        out.showScrollPos = true;
        graph.scrollInitialised = true;
    }
    const std::int64_t s = periodSeconds(view);
    const std::int64_t t0 = view.m_startTime + (view.m_scrollPos - view.m_scrollBase) * s;
    const int k = zoomColumnSamples(g.width, a.dT);
    const float fh = static_cast<float>(g.height);
    for (int j = 0; j < kTimeLabels; ++j) {
        const int sample = k * j + view.m_scrollPos;
        const float x = truncWhole(a.dT * static_cast<float>(sample) + a.t0);
        p.line(Surface::Plot, x, fh, x, 0.0f, kGridColour, LineStyle::Dotted);
        scene.sampleAtGrid[j] = sample;
        scene.timeAtGrid[j] = t0 + static_cast<std::int64_t>(k) * j * s;
    }
    for (int ch = 0; ch < kChannelCount && n > 1; ++ch) {
        if (!view.m_showTrace[ch]) {
            continue;
        }
        const float* xs = graph.levelX[kAir][z];
        TracePoints t;
        t.dT = xs[1] - xs[0];
        t.t0 = xs[0];
        t.base = static_cast<float>(view.m_scrollBase);
        t.ys = graph.levelY[ch][z];
        t.count = n;
        p.trace(t, kTraceColour[ch]);
    }
}

void valueLabels(Painter& p, GraphScene& scene, const LiveGraph& graph, const PlotGeometry& g,
                 const PixelRect& c) {
    const int s = c.top + 94;
    const int h = g.height;
    for (int k = 0; k < kValueLabels; ++k) {
        const float yt = static_cast<float>(g.y1 - k * (h - 1) / 10 - s - 1);
        p.line(Surface::ValueStrip, static_cast<float>(c.left + 63), yt,
               static_cast<float>(c.left + 68), yt, kTextColour);
        const float v = graph.axisValue[graph.zoomLevel][k];
        const int x = truncToInt(valueLabelShift(v) * 7.5 + 2);
        const int y = g.y1 - k * (h - 2) / 10 - s - 8;
        p.text(Surface::ValueStrip, x, y, scene.yLabel[k], kBandColour);
    }
}

void timeLabels(Painter& p, GraphScene& scene, const LiveGraph& graph, const PlotGeometry& g,
                Pixel background) {
    const int y = g.y1 + 40;
    if (graph.liveMode != 0) {
        const int k = liveColumnSamples(graph, g.width);
        p.text(Surface::Frame, g.x0 + 2, y, scene.timeLabel[0], background);
        for (int m = 1; m <= 4; ++m) {
            const float x =
                static_cast<float>(k) * graph.pixelsPerSample * static_cast<float>(3 * m) +
                static_cast<float>(g.x0);
            p.text(Surface::Frame, truncToInt(x), y, scene.timeLabel[m], background);
        }
        return;
    }
    const ZoomAxis a = zoomAxis(graph, graph.zoomLevel);
    if (!a.usable) {
        return;
    }
    for (int j = 0; j < kTimeLabels; ++j) {
        const float x =
            a.dT * static_cast<float>(scene.sampleAtGrid[j]) + static_cast<float>(g.x0) + a.t0;
        if (x >= static_cast<float>(g.x0) && x <= static_cast<float>(g.x1)) {
            p.text(Surface::Frame, truncToInt(x), y, scene.timeLabel[j], background);
        }
    }
}

void formatLabels(GraphScene& scene, const LiveGraph& graph) {
    for (int j = 0; j < kTimeLabels; ++j) {
        formatLocalTime(scene.timeAtGrid[j], kClockPattern, scene.timeLabel[j], kSceneTextCapacity);
    }
    for (int k = 0; k < kValueLabels; ++k) {
        formatValue(graph.axisValue[graph.zoomLevel][k], scene.yLabel[k], kSceneTextCapacity);
    }
}

}  // namespace

PaintOutcome paintGraph(LiveGraph& graph, ViewState& view, const CHygDoc& doc,
                        const SceneInputs& in, GraphScene& scene) {
    PaintOutcome out;
    const PixelRect& c = in.viewClient;
    const PlotGeometry g = plotGeometry(c);
    const int n = std::clamp(view.m_sampleIndex, 0, kSampleCapacity);
    scene.clear();
    placeSurfaces(scene, g, in);
    Painter p{scene};

    frameBackground(p, in);
    p.fill(Surface::Plot, 0, 0, g.width, g.height, kPlotBackground);
    p.fill(Surface::ValueStrip, 0, 0, c.left + 68, g.y1 + 30 - (c.top + 94), kBandColour);
    p.fill(Surface::RightMargin, 0, 0, g.rightMarginStrip.width(), g.y1 - (c.top + 94),
           kBandColour);
    out.showCaptions = n == 0;
    cursorAfterPaint(graph, view, out);
    legend(p, g, view, c);

    beginLiveScale(graph, view, g.width);
    grids(p, graph, n, g);
    buildLevel0Axis(graph, view.m_gain, view.m_offset);
    out.invalidateAgain = fillLevel0(graph, view, doc, g.width, g.height);
    if (graph.liveMode != 0) {
        liveTraces(p, graph, view, n);
        liveTimes(scene, graph, view, g.width);
    } else {
        zoomPaint(p, scene, graph, view, n, g, out);
    }
    formatLabels(scene, graph);
    valueLabels(p, scene, graph, g, c);

    Pixel timeBackground = in.buttonFace;
    if (g.y1 > g.y0) {
        p.fill(Surface::Frame, g.x0, g.y1 + 31, g.width + 108, 29, kBandColour);
        timeBackground = kBandColour;
    }
    if (n > 0) {
        timeLabels(p, scene, graph, g, timeBackground);
    }
    if (view.m_runStarted) {
        out.rearmSampleClock = true;
        out.samplePeriodMs = view.m_samplePeriodMs;
        view.m_runStarted = false;
    }
    return out;
}

}  // namespace kr5061

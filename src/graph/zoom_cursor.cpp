#include "graph/zoom_cursor.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "common/same_bits.h"
#include "graph/graph_scene.h"
#include "store/number_text.h"

namespace kr5061 {

PixelRect bandRect(GraphPoint a, GraphPoint b) {
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

GraphPoint clampToPlot(const PlotGeometry& g, GraphPoint p) {
    return {std::clamp(p.x, g.x0, std::max(g.x0, g.x1)),
            std::clamp(p.y, g.y0, std::max(g.y0, g.y1))};
}

namespace {

// The mouse only works over a run and over a plot that has an area.
bool mouseWorks(const ViewState& view, const PlotGeometry& g) {
    return view.m_sampleIndex >= 1 && g.width > 0 && g.height > 0;
}

double fractionX(const PlotGeometry& g, int x) {
    return static_cast<double>(x - g.x0) / g.width;
}
double fractionY(const PlotGeometry& g, int y) {
    return static_cast<double>(y - g.y0) / g.height;
}

// x (plot-bitmap pixels) of array position b at level z. Inside the committed
// samples it is the stored coordinate; beyond them (or past the end of the
// rows) it follows the level's even spacing instead of reading stale entries.
float levelXAt(const LiveGraph& graph, int z, int b, int sampleCount, float dT, float t0) {
    if (b >= 0 && b < sampleCount && b < kSampleCapacity) {
        return graph.levelX[kAir][z][b];
    }
    return t0 + dT * static_cast<float>(b);
}

}  // namespace

bool zoomPress(LiveGraph& graph, const ViewState& view, const PlotGeometry& g, GraphPoint p) {
    if (!mouseWorks(view, g)) {
        return false;
    }
    p = clampToPlot(g, p);
    ZoomRect& r = graph.zoomRect[graph.zoomLevel];
    r.xA = static_cast<float>(p.x);
    r.yA = static_cast<float>(p.y);
    r.fxA = fractionX(g, p.x);
    r.fyA = fractionY(g, p.y);
    graph.dragAnchor = graph.dragLast = p;
    graph.dragging = true;
    graph.dragMoved = false;
    return true;
}

int nearestSample(const LiveGraph& graph, const ViewState& view, const PlotGeometry& g, int x) {
    const int z = graph.zoomLevel;
    const float* lx = graph.levelX[kAir][z];
    const float dT = lx[1] - lx[0], t0 = lx[0];
    const int n = std::clamp(view.m_sampleIndex, 0, kSampleCapacity);
    if (n < 2 || !(dT > 0.0f) || !std::isfinite(dT) || !std::isfinite(t0)) {
        return 0;  // no spacing yet: the only sample there is
    }
    int gi = truncToInt((static_cast<float>(x) - t0 - static_cast<float>(g.x0)) / dT -
                        static_cast<float>(view.m_scrollBase));
    const int b = view.m_scrollBase + gi;
    const float fx = static_cast<float>(x), fx0 = static_cast<float>(g.x0);
    const float left = fx - levelXAt(graph, z, b, n, dT, t0) - fx0;
    const float right = fx0 + levelXAt(graph, z, b + 1, n, dT, t0) - fx;
    if (left > right) {
        ++gi;
    }
    return gi;
}

std::string readoutValueText(int channel, float v, bool fahrenheit) {
    if (channel == kHumidity) {
        return formatFixed(v, 1) + " %RH";
    }
    const char* unit = fahrenheit ? " F" : " C";
    if (channel == kSurface) {
        if (v <= kAbsentFrameReading) {
            return "----";
        }
        return formatCutTenth(fahrenheit ? toFahrenheit(v) : v) + unit;
    }
    return formatFixed(fahrenheit ? toFahrenheit(v) : v, 1) + unit;
}

ReadoutTexts cursorReadout(const ViewState& view, const CHygDoc& doc, int sample) {
    ReadoutTexts t;
    // In 64 bits: a long period times a late sample overflows an int.
    const std::int64_t at =
        view.m_startTime + static_cast<std::int64_t>(view.m_samplePeriodMs) * sample / 1000;
    char clock[kSceneTextCapacity];
    formatLocalTime(at, kClockPattern, clock, sizeof clock);
    t.time = std::string("time:") + clock;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (ch > 0) {
            t.readings += "    ";
        }
        t.readings += kChannelName[ch];
        t.readings += ':';
        t.readings += readoutValueText(ch, doc.m_live[ch][sample], view.m_fahrenheit);
    }
    return t;
}

MoveOutcome zoomMove(LiveGraph& graph, ViewState& view, const CHygDoc& doc, const PlotGeometry& g,
                     GraphPoint p) {
    MoveOutcome out;
    if (!mouseWorks(view, g)) {
        return out;
    }
    out.handled = true;
    p = clampToPlot(g, p);
    out.eraseCursor = !graph.cursorLineAbsent;
    out.erasedCursorX = graph.cursorX;
    graph.cursorLineAbsent = false;
    graph.cursorX = out.cursorX = p.x;

    const int gi = nearestSample(graph, view, g, p.x);
    graph.cursorSample = gi;
    if (gi >= 0 && gi < std::min(view.m_sampleIndex, kSampleCapacity)) {
        ReadoutTexts t = cursorReadout(view, doc, gi);
        out.readout = true;
        out.timeText = std::move(t.time);
        out.readingText = std::move(t.readings);
    }

    if (graph.dragging) {
        view.m_dragActive = true;
        // The old band always goes, so that a band is never left behind when
        // the mouse comes back to the anchor.
        out.erasedBand = bandRect(graph.dragAnchor, graph.dragLast);
        if (p.x != graph.dragAnchor.x || p.y != graph.dragAnchor.y) {
            out.drawnBand = bandRect(graph.dragAnchor, p);
            graph.dragMoved = true;
        }
        graph.dragLast = p;
    }
    return out;
}

namespace {

void sortCorners(ZoomRect& r) {
    if (r.xA > r.xB) {
        std::swap(r.xA, r.xB);
    }
    if (r.yA > r.yB) {
        std::swap(r.yA, r.yB);
    }
}

// Tries to open the next level over the rectangle of level z. The level is
// added only while the stack has room, one division of the new axis spans more
// than 0.1 units, more than one sample falls across the plot, and the
// rectangle has a width and a height (a flat one would divide by zero).
bool deepen(LiveGraph& graph, const ViewState& view, const PlotGeometry& g) {
    const int z = graph.zoomLevel;
    ZoomRect& r = graph.zoomRect[z];
    sortCorners(r);
    const float d = graph.levelX[kAir][z][1] - graph.levelX[kAir][z][0];
    const bool spaced = view.m_sampleIndex >= 2 && d < static_cast<float>(g.width);
    if (z >= kDeepestZoomLevel || !spaced) {
        return false;
    }
    const double a0 = graph.axisValue[z][0], a10 = graph.axisValue[z][kAxisLines - 1];
    const double y1 = g.y1, yA = r.yA, yB = r.yB;
    float* next = graph.axisValue[z + 1];
    next[0] = static_cast<float>(a0 + (y1 - yB) * (a10 - a0) / g.height);
    next[1] = static_cast<float>(a0 + ((y1 - yB) + 0.1 * (yB - yA)) * (a10 - a0) / g.height);
    if (!(next[1] - next[0] > 0.1) || !(r.xB > r.xA) || !(r.yB > r.yA)) {
        return false;
    }
    graph.zoomLevel = static_cast<std::int8_t>(z + 1);
    return true;
}

}  // namespace

ReleaseOutcome zoomRelease(LiveGraph& graph, ViewState& view, const PlotGeometry& g, GraphPoint p) {
    ReleaseOutcome out;
    if (!mouseWorks(view, g)) {
        return out;
    }
    out.handled = true;
    p = clampToPlot(g, p);
    ZoomRect& r = graph.zoomRect[graph.zoomLevel];
    r.xB = static_cast<float>(p.x);
    r.yB = static_cast<float>(p.y);
    r.fxB = fractionX(g, p.x);
    r.fyB = fractionY(g, p.y);
    if (graph.dragging) {
        out.erasedBand = bandRect(graph.dragAnchor, graph.dragLast);
        graph.dragging = false;
    }
    // The sample clock repaints again after every release, also after a click.
    view.m_dragActive = false;
    if (!graph.dragMoved) {
        return out;
    }
    out.zoomedIn = deepen(graph, view, g);
    graph.liveMode = 0;
    graph.scrollInitialised = false;
    out.repaint = true;
    graph.dragMoved = false;
    return out;
}

bool dragWatchTick(LiveGraph& graph, ViewState& view, const PixelRect& c, GraphPoint cursor) {
    const bool inside =
        244 < cursor.x && cursor.x < c.right - 20 && 115 < cursor.y && cursor.y < c.bottom - 180;
    if (inside || !graph.dragging) {
        return false;
    }
    graph.dragging = false;
    view.m_dragActive = false;
    graph.dragMoved = false;
    return true;
}

void undoZoom(LiveGraph& graph, ViewState& view) {
    graph.zoomLevel = 0;
    graph.liveMode = 1;
    graph.historyPixelsPerSample = graph.pixelsPerSample;
    view.m_scrollBase = 0;
}

namespace {

// Applies levels 0..depth-1 to every value in turn. Each value goes through the
// same single-precision steps as a level-by-level rebuild, so the result is the
// same to the bit; only the deepest level is written. The values are taken in
// blocks so that the compiler keeps a block in vector registers across levels.
#if defined(__GNUC__) && defined(__x86_64__) && defined(__linux__)
// Wider vectors where the processor has them; every lane does the same IEEE
// steps, so the results do not depend on the version that runs.
__attribute__((target_clones("avx2", "default")))
#endif
void chainLevels(const float* in, float* out, int n, const LevelMap* maps, int depth,
                 float scale) {
    constexpr int kBlock = 16;
    int i = 0;
    for (; i + kBlock <= n; i += kBlock) {
        float v[kBlock];
        for (int j = 0; j < kBlock; ++j) {
            v[j] = in[i + j];
        }
        for (int l = 0; l < depth; ++l) {
            const float shift = maps[l].shift, span = maps[l].span;
            for (int j = 0; j < kBlock; ++j) {
                v[j] = (v[j] - shift) * scale / span;
            }
        }
        for (int j = 0; j < kBlock; ++j) {
            out[i + j] = v[j];
        }
    }
    for (; i < n; ++i) {
        float v = in[i];
        for (int l = 0; l < depth; ++l) {
            v = (v - maps[l].shift) * scale / maps[l].span;
        }
        out[i] = v;
    }
}

// Whether two builds map level 0 the same way (they may differ in samples).
bool sameMapping(const LevelCacheKey& a, const LevelCacheKey& b) {
    const auto depth = static_cast<std::size_t>(a.depth);
    return a.depth == b.depth && sameBits(a.width, b.width) && sameBits(a.height, b.height) &&
           sameBits(a.mapX, b.mapX, depth) && sameBits(a.mapY, b.mapY, depth);
}

}  // namespace

void rebuildLevels(LiveGraph& graph, const PlotGeometry& g, int sampleCount) {
    const int n = std::clamp(sampleCount, 0, kSampleCapacity);
    const int depth = graph.zoomLevel;
    if (depth <= 0) {
        return;
    }
    const float w = static_cast<float>(g.width), h = static_cast<float>(g.height);
    const float x0 = static_cast<float>(g.x0), y0 = static_cast<float>(g.y0);
    const double y1 = g.y1;
    LevelCacheKey key;
    key.sampleCount = n;
    key.depth = depth;
    key.width = w;
    key.height = h;
    LevelMap* mapX = key.mapX;
    LevelMap* mapY = key.mapY;
    for (int l = 0; l < depth; ++l) {
        ZoomRect& r = graph.zoomRect[l];
        r.xA = static_cast<float>(g.x0 + g.width * r.fxA);
        r.xB = static_cast<float>(g.x0 + g.width * r.fxB);
        r.yA = static_cast<float>(g.y0 + g.height * r.fyA);
        r.yB = static_cast<float>(g.y0 + g.height * r.fyB);
        sortCorners(r);
        mapX[l] = {r.xA - x0, r.xB - r.xA};
        mapY[l] = {r.yA - y0, r.yB - r.yA};
        const double a0 = graph.axisValue[l][0], a10 = graph.axisValue[l][kAxisLines - 1];
        const double yA = r.yA, yB = r.yB;
        for (int k = 0; k < kAxisLines; ++k) {
            graph.axisValue[l + 1][k] =
                static_cast<float>(a0 + ((y1 - yB) + 0.1 * k * (yB - yA)) * (a10 - a0) / g.height);
        }
    }
    // With the same mapping, only the samples that changed or arrived since
    // the last build are carried through the levels.
    const LevelCacheKey& last = graph.levelCache;
    int from = 0;
    if (last.sampleCount >= 0 && sameMapping(key, last)) {
        from = std::min({graph.level0FirstChange, last.sampleCount, n});
    }
    if (from < n) {
        // Every channel shares the same x values: they are mapped and kept once.
        chainLevels(graph.levelX[kAir][0] + from, graph.levelX[kAir][depth] + from, n - from, mapX,
                    depth, w);
        for (int ch = 0; ch < kChannelCount; ++ch) {
            chainLevels(graph.levelY[ch][0] + from, graph.levelY[ch][depth] + from, n - from, mapY,
                        depth, h);
        }
    }
    graph.levelCache = key;
    graph.level0FirstChange = kSampleCapacity;
}

int thumbTrack(ViewState& view, int p) {
    view.m_scrollBase = view.m_scrollPos - p + 1;
    return scrollBarPosition(view);
}

int scrollBarPosition(const ViewState& view) {
    return view.m_scrollPos - view.m_scrollBase + 1;
}

PixelRect CursorLine::draw(const PixelBuffer& buf, const PlotGeometry& g, int x) {
    erase(buf);
    m_rect = intersect({x, g.y0, x + 1, g.y1}, buf.bounds());
    m_under.resize(static_cast<std::size_t>(std::max(m_rect.height(), 0)));
    for (int y = m_rect.top; y < m_rect.bottom; ++y) {
        m_under[static_cast<std::size_t>(y - m_rect.top)] = buf.at(x, y);
    }
    // The dots count from the plot's top, wherever the buffer cuts the line.
    drawLine(buf, buf.bounds(), x, g.y0, x, g.y1, rgb(0, 0, 0), LineStyle::Dotted,
             LineMode::Invert);
    m_drawn = true;
    return m_rect;
}

PixelRect CursorLine::erase(const PixelBuffer& buf) {
    if (!m_drawn) {
        return {};
    }
    m_drawn = false;
    const PixelRect r = intersect(m_rect, buf.bounds());
    for (int y = r.top; y < r.bottom; ++y) {
        buf.at(r.left, y) = m_under[static_cast<std::size_t>(y - m_rect.top)];
    }
    return r;
}

void xorBand(const PixelBuffer& buf, const PixelRect& band) {
    invertHalftoneFrame(buf, buf.bounds(), band);
}

}  // namespace kr5061

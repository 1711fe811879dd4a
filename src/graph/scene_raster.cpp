#include "graph/scene_raster.h"

#include <algorithm>
#include <climits>

#include "common/same_bits.h"
#include "graph/trace_redraw.h"

namespace kr5061 {

namespace {

// A trace point as read from the coordinate arrays, with its pixel as ints
// when both coordinates fit one (the common case, compared and drawn without
// going through floats again).
struct TracePixel {
    float x = 0, y = 0;
    int ix = 0, iy = 0;
    bool fits = false;  // ix, iy hold the truncated coordinates
    bool in = false;    // and they lie inside the clip
};

// One trace drawn into the view's buffer: one-pixel segments from point to
// point, with the line rules of the rasteriser. Every pixel it sets goes
// through column() or segment(), which first mark the tiles they touch.
class TraceRaster {
public:
    TraceRaster(const RasterOp& op, const SurfacePlace& s, const PixelBuffer& buf, TileMarks* marks)
        : m_t(op.trace),
          m_colour(op.colour),
          m_s(s),
          m_buf(buf),
          m_marks(marks),
          m_clip(intersect(s.clip, buf.bounds())),
          m_cl(m_clip.left - s.originX),
          m_cr(m_clip.right - s.originX),
          m_ct(m_clip.top - s.originY),
          m_cb(m_clip.bottom - s.originY) {}

    void draw() {
        if (m_t.count < 2) {
            return;
        }
        TracePixel p0 = at(0);
        for (int i = 1; i < m_t.count;) {
            TracePixel p1 = at(i);
            if (p0.in && p1.in && p1.ix == p0.ix) {
                i = columnRun(i, p0, p1);
                if (i == m_t.count) {
                    break;
                }
            }
            // Samples packed closer than a pixel: a line leaves out its end
            // pixel, so one that starts and ends in the same pixel draws nothing.
            if (!(p0.fits && p1.fits && p0.ix == p1.ix && p0.iy == p1.iy)) {
                segment(p0, p1);
            }
            p0 = p1;
            ++i;
        }
    }

private:
    // Point i in plot-bitmap coordinates.
    TracePixel at(int i) const {
        TracePixel p;
        p.x = m_t.xs ? m_t.xs[i] : m_t.dT * (static_cast<float>(i) + m_t.base) + m_t.t0;
        p.y = m_t.ys[i];
        p.fits = p.x > -2.0e9f && p.x < 2.0e9f && p.y > -2.0e9f && p.y < 2.0e9f;
        if (p.fits) {
            p.ix = static_cast<int>(p.x);
            p.iy = static_cast<int>(p.y);
            p.in = p.ix >= m_cl && p.ix < m_cr && p.iy >= m_ct && p.iy < m_cb;
        }
        return p;
    }

    // Most samples share their pixel column with the ones beside them. From
    // point i on (p1, after p0 in the same column) the steps that stay in the
    // column together cover one unbroken span of rows (the union of their
    // stepSpans), drawn once. Returns the index of the first point after the
    // run, with p0 and p1 the run's last point and that one.
    int columnRun(int i, TracePixel& p0, TracePixel& p1) {
        const int column = p0.ix;
        int lo = INT_MAX, hi = INT_MIN;
        for (;;) {
            int a = 0, b = 0;
            stepSpan(p0.iy, p1.iy, a, b);
            lo = a <= b ? std::min(lo, a) : lo;
            hi = a <= b ? std::max(hi, b) : hi;
            p0 = p1;
            if (++i == m_t.count) {
                break;
            }
            p1 = at(i);
            if (!p1.in || p1.ix != column) {
                break;
            }
        }
        if (lo <= hi) {
            mark(column, lo, column, hi);
            fillColumn(m_buf, column + m_s.originX, lo + m_s.originY, hi + m_s.originY, m_colour);
        }
        return i;
    }

    // One segment between two points of different pixels.
    void segment(const TracePixel& p0, const TracePixel& p1) {
        if (p0.in && p1.in) {
            mark(p0.ix, p0.iy, p1.ix, p1.iy);
            drawLineInside(m_buf, p0.ix + m_s.originX, p0.iy + m_s.originY, p1.ix + m_s.originX,
                           p1.iy + m_s.originY, m_colour);
            return;
        }
        const float x0 = truncWhole(p0.x), y0 = truncWhole(p0.y);
        const float x1 = truncWhole(p1.x), y1 = truncWhole(p1.y);
        const auto lo = [](int v) { return static_cast<float>(v); };
        if ((x0 < lo(m_cl) && x1 < lo(m_cl)) || (x0 >= lo(m_cr) && x1 >= lo(m_cr)) ||
            (y0 < lo(m_ct) && y1 < lo(m_ct)) || (y0 >= lo(m_cb) && y1 >= lo(m_cb))) {
            return;
        }
        // The part of the segment's box inside the clip; a NaN end draws
        // nothing, so marking the clip's edge for it is merely generous.
        const auto within = [](float v, int first, int last) {
            return v >= static_cast<float>(first)
                       ? v <= static_cast<float>(last) ? static_cast<int>(v) : last
                       : first;
        };
        mark(within(x0, m_cl, m_cr - 1), within(y0, m_ct, m_cb - 1), within(x1, m_cl, m_cr - 1),
             within(y1, m_ct, m_cb - 1));
        drawLine(m_buf, m_clip, static_cast<double>(x0) + m_s.originX,
                 static_cast<double>(y0) + m_s.originY, static_cast<double>(x1) + m_s.originX,
                 static_cast<double>(y1) + m_s.originY, m_colour);
    }

    // The tiles under a box of plot-bitmap pixels, before anything is drawn there.
    void mark(int x0, int y0, int x1, int y1) {
        if (m_marks) {
            m_marks->mark(std::min(x0, x1) + m_s.originX, std::min(y0, y1) + m_s.originY,
                          std::max(x0, x1) + m_s.originX, std::max(y0, y1) + m_s.originY);
        }
    }

    const TracePoints& m_t;
    Pixel m_colour;
    const SurfacePlace& m_s;
    const PixelBuffer& m_buf;
    TileMarks* m_marks;
    PixelRect m_clip;
    // The clip in plot-bitmap coordinates. Most segments lie wholly inside it
    // or wholly beside it; only the rest need the clipping line.
    int m_cl, m_cr, m_ct, m_cb;
};

}  // namespace

void rasteriseOp(const GraphScene& scene, const RasterOp& op, const PixelBuffer& buf,
                 TileMarks* marks) {
    const SurfacePlace& s = scene.surface[static_cast<int>(op.surface)];
    if (op.kind == OpKind::Fill) {
        fillRect(buf, s.clip, truncToInt(op.x0) + s.originX, truncToInt(op.y0) + s.originY,
                 truncToInt(op.x1), truncToInt(op.y1), op.colour);
    } else if (op.kind == OpKind::Trace) {
        TraceRaster(op, s, buf, marks).draw();
    } else {
        drawLine(buf, s.clip, static_cast<double>(op.x0) + s.originX,
                 static_cast<double>(op.y0) + s.originY, static_cast<double>(op.x1) + s.originX,
                 static_cast<double>(op.y1) + s.originY, op.colour, op.style);
    }
}

void rasteriseScene(const GraphScene& scene, Layer layer, const PixelBuffer& buf) {
    const int count = scene.opCount(layer);
    for (int i = 0; i < count; ++i) {
        rasteriseOp(scene, scene.op(layer, i), buf);
    }
}

namespace {

bool sameOp(const RasterOp& a, const RasterOp& b) {
    if (a.kind != b.kind || a.surface != b.surface) {
        return false;
    }
    return a.kind == OpKind::Trace ||
           (a.style == b.style && a.colour == b.colour && sameBits(a.x0, b.x0) &&
            sameBits(a.y0, b.y0) && sameBits(a.x1, b.x1) && sameBits(a.y1, b.y1));
}

bool sameText(const SceneText& a, const SceneText& b) {
    return a.font == b.font && a.surface == b.surface && a.x == b.x && a.y == b.y &&
           a.colour == b.colour && a.opaque == b.opaque && a.background == b.background &&
           a.view() == b.view();
}

bool samePlace(const SurfacePlace& a, const SurfacePlace& b) {
    return a.originX == b.originX && a.originY == b.originY && a.clip == b.clip;
}

}  // namespace

bool sameBesidesTraces(const GraphScene& a, const GraphScene& b) {
    if (a.width != b.width || a.height != b.height || a.textCount() != b.textCount()) {
        return false;
    }
    for (int s = 0; s < kSurfaceCount; ++s) {
        if (!samePlace(a.surface[s], b.surface[s])) {
            return false;
        }
    }
    for (const Layer layer : {Layer::Under, Layer::Over}) {
        if (a.opCount(layer) != b.opCount(layer)) {
            return false;
        }
        for (int i = 0; i < a.opCount(layer); ++i) {
            if (!sameOp(a.op(layer, i), b.op(layer, i))) {
                return false;
            }
        }
    }
    for (int i = 0; i < a.textCount(); ++i) {
        if (!sameText(a.text(i), b.text(i))) {
            return false;
        }
    }
    return true;
}

}  // namespace kr5061

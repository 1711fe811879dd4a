#include "graph/graph_layout.h"

#include <algorithm>

namespace kr5061 {

namespace {
// The value-label strip starts at a fixed x, right of the meter panel.
constexpr int kValueStripLeft = 226;
// Below this x the right margin would overlap the value strip: it collapses.
constexpr int kRightStripMinLeft = 224;
}  // namespace

PlotGeometry plotGeometry(const PixelRect& c) {
    PlotGeometry g;
    g.x0 = c.left + 294;
    g.y0 = c.top + 118;
    g.x1 = c.right - 50;
    g.y1 = c.bottom - 200;
    g.width = g.x1 - g.x0;
    g.height = g.y1 - g.y0;

    const int stripTop = c.top + 94;
    g.valueLabelStrip = {kValueStripLeft, stripTop, g.x0, g.y1 + 30};
    if (c.right - 50 < kRightStripMinLeft) {
        g.rightMarginStrip = {kRightStripMinLeft, stripTop, kRightStripMinLeft, g.y1};
    } else {
        g.rightMarginStrip = {c.right - 50, stripTop, c.right + 10, g.y1};
    }
    return g;
}

PixelRect graphPictureRect(const PixelRect& c) {
    const PlotGeometry g = plotGeometry(c);
    const PixelRect& v = g.valueLabelStrip;
    PixelRect r{v.left, v.top, c.right, v.bottom};
    r.left = std::max(r.left, c.left);
    r.top = std::max(r.top, c.top);
    r.bottom = std::min(r.bottom, c.bottom);
    if (r.width() <= 0 || r.height() <= 0) {
        return c;  // a window too small for a graph: the whole view
    }
    return r;
}

FrameBands frameBands(int w, int h) {
    return {rectAt(w - 52, 125, 63, h - 340), rectAt(290, 125, w - 300, 25)};
}

PanelLayout panelLayout(const PixelRect& f) {
    const int barWidth = f.right - f.left - 230;
    PanelLayout p;
    p.graphBar = {rectAt(f.left + 228, f.top + 30, barWidth, 95), true};
    p.readoutBar = {rectAt(f.left + 228, f.bottom - 170, barWidth, 150),
                    f.top + 142 < f.bottom - 120};
    p.meterPanel = {rectAt(0, 31, 228, f.bottom - 50), true};
    p.scrollStrip = {rectAt(f.left + 228, f.bottom - 192, barWidth, 25),
                     f.top + 142 < f.bottom - 142};
    return p;
}

}  // namespace kr5061

#include "psychro/chart_geometry.h"

#include <algorithm>
#include <cmath>

#include "store/number_text.h"

namespace kr5061::psychro {

namespace {

// Liang–Barsky: cuts the segment a-b to the rectangle; false when nothing is left.
bool clipSegment(const ChartRect& r, ChartPoint& a, ChartPoint& b) {
    const float dx = b.x - a.x, dy = b.y - a.y;
    float t0 = 0.0f, t1 = 1.0f;
    const float p[4] = {-dx, dx, -dy, dy};
    const float q[4] = {a.x - r.left, r.right - a.x, a.y - r.top, r.bottom - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0f) {
            if (q[i] < 0.0f)
                return false;
            continue;
        }
        const float t = q[i] / p[i];
        if (p[i] < 0.0f) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1)
            return false;
    }
    const ChartPoint start = a;
    a = {start.x + t0 * dx, start.y + t0 * dy};
    b = {start.x + t1 * dx, start.y + t1 * dy};
    return true;
}

}  // namespace

std::string DisplayUnits::pressureText(double kPa) const {
    return ip() ? formatFixed(inchesOfMercuryOf(kPa), 3) + " inHg" : formatFixed(kPa, 3) + " kPa";
}

int decimalsFor(double step) {
    return std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
}

void addPolyline(ChartScene& s, std::span<const ChartPoint> pts, ChartInk ink, ChartStroke stroke,
                 float width, float alpha) {
    if (pts.size() < 2)
        return;
    const int first = static_cast<int>(s.points.size());
    s.points.insert(s.points.end(), pts.begin(), pts.end());
    s.lines.push_back({ink, stroke, width, alpha, first, static_cast<int>(pts.size())});
}

void addSegment(ChartScene& s, ChartPoint a, ChartPoint b, ChartInk ink, ChartStroke stroke,
                float width, float alpha) {
    const ChartPoint pts[] = {a, b};
    addPolyline(s, pts, ink, stroke, width, alpha);
}

void addClipped(ChartScene& s, std::span<const ChartPoint> pts, ChartInk ink, ChartStroke stroke,
                float width) {
    int first = -1;
    const auto close = [&] {
        const int count = static_cast<int>(s.points.size()) - first;
        if (first >= 0 && count >= 2) {
            s.lines.push_back({ink, stroke, width, 1.0f, first, count});
        } else if (first >= 0) {
            s.points.resize(static_cast<std::size_t>(first));
        }
        first = -1;
    };
    for (std::size_t i = 1; i < pts.size(); ++i) {
        ChartPoint a = pts[i - 1], b = pts[i];
        if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) ||
            !std::isfinite(b.y) || !clipSegment(s.plot, a, b)) {
            close();
            continue;
        }
        const bool cutAtStart = a.x != pts[i - 1].x || a.y != pts[i - 1].y;
        if (first < 0 || cutAtStart) {
            close();
            first = static_cast<int>(s.points.size());
            s.points.push_back(a);
        }
        s.points.push_back(b);
        if (b.x != pts[i].x || b.y != pts[i].y)
            close();
    }
    close();
}

std::vector<ChartPoint>& scratch() {
    static thread_local std::vector<ChartPoint> buffer;
    return buffer;
}

float LabelSpace::height(ChartFont font) const {
    switch (font) {
        case ChartFont::tick:
            return m_fonts.tickHeight;
        case ChartFont::label:
            return m_fonts.labelHeight;
        case ChartFont::title:
            return m_fonts.titleHeight;
    }
    return m_fonts.tickHeight;
}

float LabelSpace::widthOf(std::string_view utf8, ChartFont font) const {
    // Characters, not bytes: continuation bytes of UTF-8 do not count.
    const auto chars = std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    });
    const float charWidth =
        font == ChartFont::tick ? m_fonts.tickCharWidth : m_fonts.labelCharWidth;
    const float scale = font == ChartFont::title ? m_fonts.titleHeight / m_fonts.labelHeight : 1;
    return static_cast<float>(chars) * charWidth * scale;
}

ChartRect LabelSpace::boxOf(const ChartText& t) const {
    const float w = widthOf(t.text, t.font), h = height(t.font);
    const float left = (t.align & kAlignRight)     ? t.x - w
                       : (t.align & kAlignHCentre) ? t.x - w / 2
                                                   : t.x;
    const float top = (t.align & kAlignBottom)    ? t.y - h
                      : (t.align & kAlignVCentre) ? t.y - h / 2
                                                  : t.y;
    return {left, top, left + w, top + h};
}

bool LabelSpace::place(const ChartText& text, const ChartRect& within) {
    const ChartRect b = boxOf(text);
    if (!std::isfinite(b.left) || !std::isfinite(b.top) || b.left < within.left ||
        b.right > within.right || b.top < within.top || b.bottom > within.bottom) {
        return false;
    }
    for (const ChartRect& o : m_placed) {
        if (b.left < o.right && o.left < b.right && b.top < o.bottom && o.top < b.bottom) {
            return false;
        }
    }
    m_placed.push_back(b);
    return true;
}

}  // namespace kr5061::psychro

#include "graph/raster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace kr5061 {

PixelRect intersect(const PixelRect& a, const PixelRect& b) {
    PixelRect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
    r.right = std::max(r.right, r.left);
    r.bottom = std::max(r.bottom, r.top);
    return r;
}

void fillRect(const PixelBuffer& buf, const PixelRect& clip, int x, int y, int width, int height,
              Pixel colour) {
    if (width <= 0 || height <= 0) {
        return;
    }
    const PixelRect r = intersect(intersect(clip, buf.bounds()), rectAt(x, y, width, height));
    for (int row = r.top; row < r.bottom; ++row) {
        fillPixels(&buf.at(r.left, row), static_cast<std::size_t>(r.width()), colour);
    }
}

namespace {

using i64 = std::int64_t;
using i128 = __int128;

// Beyond this size a coordinate is cut down in floating point first; within it
// the stepping below is exact.
constexpr double kExactLimit = 1099511627776.0;  // 2^40

i128 floorDiv(i128 a, i128 b) {  // b > 0
    i128 q = a / b;
    if ((a % b != 0) && (a < 0)) {
        --q;
    }
    return q;
}

i128 ceilDiv(i128 a, i128 b) {
    return -floorDiv(-a, b);
}

// The line's pixels in terms of its major axis: pixel t (0 .. n-1) sits at
// major = m0 + sm * t and minor = k0 + sk * off(t), off(t) = floor((2 t db + n) / 2n),
// i.e. the minor offset rounded to the nearest pixel, halves away from the start.
struct Steps {
    i64 m0, k0;
    int sm, sk;
    i64 n, db;
    bool xMajor;
};

// Range of t whose pixel lies inside the clip; empty when first > last.
void visibleRange(const Steps& s, const PixelRect& c, i64& first, i64& last) {
    const i64 majLo = s.xMajor ? c.left : c.top;
    const i64 majHi = (s.xMajor ? c.right : c.bottom) - 1;
    const i64 minLo = s.xMajor ? c.top : c.left;
    const i64 minHi = (s.xMajor ? c.bottom : c.right) - 1;
    first = 0;
    last = s.n - 1;
    if (s.sm > 0) {
        first = std::max(first, majLo - s.m0);
        last = std::min(last, majHi - s.m0);
    } else {
        first = std::max(first, s.m0 - majHi);
        last = std::min(last, s.m0 - majLo);
    }
    const i64 lo = s.sk > 0 ? minLo - s.k0 : s.k0 - minHi;  // bounds on off(t)
    const i64 hi = s.sk > 0 ? minHi - s.k0 : s.k0 - minLo;
    if (s.db == 0) {
        if (lo > 0 || hi < 0) {
            last = first - 1;
        }
        return;
    }
    const i128 n = s.n, db = s.db;
    const i128 tLo = ceilDiv(2 * n * lo - n, 2 * db);
    const i128 tHi = ceilDiv(2 * n * (static_cast<i128>(hi) + 1) - n, 2 * db) - 1;
    if (tLo > first) {
        first = tLo > last ? last + 1 : static_cast<i64>(tLo);
    }
    if (tHi < last) {
        last = tHi < first ? first - 1 : static_cast<i64>(tHi);
    }
}

template <LineMode Mode, LineStyle Style>
void stepLine(const PixelBuffer& buf, const Steps& s, i64 first, i64 last, Pixel colour) {
    const i64 twoN = 2 * s.n;
    i64 off = 0, rem = s.n;  // at the start point
    if (first != 0) {
        const i128 num = 2 * static_cast<i128>(first) * s.db + s.n;
        if (num <= INT64_MAX) {
            off = static_cast<i64>(num) / twoN;
            rem = static_cast<i64>(num) % twoN;
        } else {
            off = static_cast<i64>(num / twoN);
            rem = static_cast<i64>(num % twoN);
        }
    }
    const i64 major = s.m0 + s.sm * first;
    const i64 minor = s.k0 + s.sk * off;
    Pixel* p = s.xMajor ? &buf.at(static_cast<int>(major), static_cast<int>(minor))
                        : &buf.at(static_cast<int>(minor), static_cast<int>(major));
    const long majStep = s.xMajor ? s.sm : static_cast<long>(s.sm) * buf.stride;
    const long minStep = s.xMajor ? static_cast<long>(s.sk) * buf.stride : s.sk;
    const i64 twoDb = 2 * s.db;
    for (i64 t = first; t <= last; ++t) {
        if (Style == LineStyle::Solid || (t % (2 * kDotRun)) < kDotRun) {
            *p = Mode == LineMode::Set ? colour : notXorPixel(colour, *p);
        }
        p += majStep;
        rem += twoDb;
        if (rem >= twoN) {
            rem -= twoN;
            p += minStep;
        }
    }
}

// Cuts a segment with huge coordinates down to a box around the clip, so that
// the exact stepping never sees numbers beyond its limit. An end outside the
// box is moved onto the box edge it crosses, that coordinate set exactly (a
// parametric point would lose the edge in the rounding of the huge numbers).
bool cutToBox(double& x0, double& y0, double& x1, double& y1, const PixelRect& c) {
    const double m = 1048576.0;
    const double left = c.left - m, right = c.right + m, top = c.top - m, bottom = c.bottom + m;
    auto code = [&](double x, double y) {
        return (x < left ? 1 : x > right ? 2 : 0) | (y < top ? 4 : y > bottom ? 8 : 0);
    };
    int c0 = code(x0, y0), c1 = code(x1, y1);
    for (int pass = 0; pass < 8 && (c0 | c1) != 0; ++pass) {
        if ((c0 & c1) != 0) {
            return false;
        }
        const bool first = c0 != 0;
        const int out = first ? c0 : c1;
        double x = 0, y = 0;
        if (out & 1 || out & 2) {
            x = out & 1 ? left : right;
            y = y0 + (y1 - y0) * ((x - x0) / (x1 - x0));
        } else {
            y = out & 4 ? top : bottom;
            x = x0 + (x1 - x0) * ((y - y0) / (y1 - y0));
        }
        (first ? x0 : x1) = x;
        (first ? y0 : y1) = y;
        c0 = code(x0, y0);
        c1 = code(x1, y1);
    }
    if ((c0 | c1) != 0) {
        return false;
    }
    x0 = std::round(x0), y0 = std::round(y0), x1 = std::round(x1), y1 = std::round(y1);
    return true;
}

// A solid line along one row or column (the grid and frame lines), set
// directly: the pixels of stepSpan cut to the clip, which the line reaches.
void axisLine(const PixelBuffer& buf, const PixelRect& c, i64 ax, i64 ay, i64 bx, i64 by,
              Pixel colour) {
    i64 lo = 0, hi = 0;
    if (ay == by) {
        stepSpan(ax, bx, lo, hi);
        lo = std::max<i64>(lo, c.left), hi = std::min<i64>(hi, c.right - 1);
        if (lo <= hi) {
            fillPixels(&buf.at(static_cast<int>(lo), static_cast<int>(ay)),
                       static_cast<std::size_t>(hi - lo + 1), colour);
        }
    } else {
        stepSpan(ay, by, lo, hi);
        lo = std::max<i64>(lo, c.top), hi = std::min<i64>(hi, c.bottom - 1);
        if (lo <= hi) {
            fillColumn(buf, static_cast<int>(ax), static_cast<int>(lo), static_cast<int>(hi),
                       colour);
        }
    }
}

bool inside(const PixelRect& c, i64 x, i64 y) {
    return x >= c.left && x < c.right && y >= c.top && y < c.bottom;
}

}  // namespace

void drawLine(const PixelBuffer& buf, const PixelRect& clipIn, double x0, double y0, double x1,
              double y1, Pixel colour, LineStyle style, LineMode mode) {
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) {
        return;
    }
    const PixelRect c = intersect(clipIn, buf.bounds());
    if (c.width() <= 0 || c.height() <= 0) {
        return;
    }
    x0 = truncWhole(x0), y0 = truncWhole(y0), x1 = truncWhole(x1), y1 = truncWhole(y1);
    const bool huge =
        std::max({std::abs(x0), std::abs(y0), std::abs(x1), std::abs(y1)}) > kExactLimit;
    if (huge && !cutToBox(x0, y0, x1, y1, c)) {
        return;
    }
    const i64 ax = static_cast<i64>(x0), ay = static_cast<i64>(y0);
    const i64 dx = static_cast<i64>(x1) - ax, dy = static_cast<i64>(y1) - ay;
    Steps s{};
    s.xMajor = std::abs(dx) >= std::abs(dy);
    s.m0 = s.xMajor ? ax : ay;
    s.k0 = s.xMajor ? ay : ax;
    const i64 dMaj = s.xMajor ? dx : dy;
    const i64 dMin = s.xMajor ? dy : dx;
    s.sm = dMaj < 0 ? -1 : 1;
    s.sk = dMin < 0 ? -1 : 1;
    s.n = std::abs(dMaj);
    s.db = std::abs(dMin);
    if (s.n == 0) {
        return;
    }
    const i64 bx = static_cast<i64>(x1), by = static_cast<i64>(y1);
    // Segments wholly beside the clip (most of a deeply zoomed trace) go first.
    if ((ax < c.left && bx < c.left) || (ax >= c.right && bx >= c.right) ||
        (ay < c.top && by < c.top) || (ay >= c.bottom && by >= c.bottom)) {
        return;
    }
    if ((dx == 0 || dy == 0) && style == LineStyle::Solid && mode == LineMode::Set) {
        axisLine(buf, c, ax, ay, bx, by, colour);
        return;
    }
    i64 first = 0, last = s.n - 1;
    // A segment with both ends inside needs no clipping: every pixel between is inside.
    if (!inside(c, ax, ay) || !inside(c, bx, by)) {
        visibleRange(s, c, first, last);
    }
    if (first > last) {
        return;
    }
    const bool dotted = style == LineStyle::Dotted;
    if (mode == LineMode::Set) {
        dotted ? stepLine<LineMode::Set, LineStyle::Dotted>(buf, s, first, last, colour)
               : stepLine<LineMode::Set, LineStyle::Solid>(buf, s, first, last, colour);
    } else {
        dotted ? stepLine<LineMode::Invert, LineStyle::Dotted>(buf, s, first, last, colour)
               : stepLine<LineMode::Invert, LineStyle::Solid>(buf, s, first, last, colour);
    }
}

void drawLineInside(const PixelBuffer& buf, int x0, int y0, int x1, int y1, Pixel colour) {
    const int dx = x1 - x0, dy = y1 - y0;
    const int adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const bool xMajor = adx >= ady;
    const int n = xMajor ? adx : ady, db = xMajor ? ady : adx;
    const long sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -static_cast<long>(buf.stride) : buf.stride;
    const long majStep = xMajor ? sx : sy, minStep = xMajor ? sy : sx;
    Pixel* p = &buf.at(x0, y0);
    int rem = n;  // the same rounding as drawLine's stepping
    for (int t = 0; t < n; ++t) {
        *p = colour;
        p += majStep;
        rem += 2 * db;
        if (rem >= 2 * n) {
            rem -= 2 * n;
            p += minStep;
        }
    }
}

void invertHalftoneFrame(const PixelBuffer& buf, const PixelRect& clipIn, const PixelRect& r) {
    if (r.width() <= 0 || r.height() <= 0) {
        return;
    }
    const PixelRect c = intersect(clipIn, buf.bounds());
    auto flip = [&](int x, int y) {
        if (((x + y) & 1) == 0 && x >= c.left && x < c.right && y >= c.top && y < c.bottom) {
            buf.at(x, y) = invertPixel(buf.at(x, y));
        }
    };
    const int right = r.right - 1, bottom = r.bottom - 1;
    for (int x = r.left; x <= right; ++x) {
        flip(x, r.top);
        if (bottom != r.top) {
            flip(x, bottom);
        }
    }
    for (int y = r.top + 1; y < bottom; ++y) {
        flip(r.left, y);
        if (right != r.left) {
            flip(right, y);
        }
    }
}

}  // namespace kr5061

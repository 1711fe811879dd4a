#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cwchar>

#include "graph/graph_layout.h"
#include "store/truncation.h"

namespace kr5061 {

// A colour as a 32-bit pixel, 0xffRRGGBB (the layout of an RGB32 image).
using Pixel = std::uint32_t;

constexpr Pixel rgb(int r, int g, int b) {
    return 0xff000000u | (static_cast<Pixel>(r & 0xff) << 16) |
           (static_cast<Pixel>(g & 0xff) << 8) | static_cast<Pixel>(b & 0xff);
}

// Inverting a pixel flips its colour bits and keeps it opaque; doing it twice
// gives the pixel back, which is what the cursor line and the rubber band rely on.
constexpr Pixel invertPixel(Pixel p) {
    return p ^ 0x00ffffffu;
}

// The inverting pen: not-xor of pen and pixel, ~(pen ^ dst), kept opaque. A
// black pen inverts; (150, 50, 50) turns black into (105, 205, 205). Drawing
// twice with the same pen gives the pixel back.
constexpr Pixel notXorPixel(Pixel pen, Pixel dst) {
    return ~(pen ^ dst) | 0xff000000u;
}

// A pixel buffer the rasteriser draws into without owning it (a window's image
// is wrapped in place, never copied). stride counts pixels per row.
struct PixelBuffer {
    Pixel* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;

    Pixel& at(int x, int y) const { return pixels[static_cast<long>(y) * stride + x]; }
    PixelRect bounds() const { return {0, 0, width, height}; }
};

enum class LineStyle : std::uint8_t {
    Solid,
    // Three pixels on, three off, counted from the line's start point, so the
    // pattern of a clipped line is the pattern of the whole line.
    Dotted,
};

// Set paints the colour; Invert combines it with the pixel (notXorPixel).
enum class LineMode : std::uint8_t { Set, Invert };

inline constexpr int kDotRun = 3;

// Sets n pixels from p on. The C library's wmemset where a wide character is a
// pixel's size: it stores large blocks with the machine's fastest stores,
// measurably quicker than a store loop, and fills are most of a paint's
// memory traffic.
inline void fillPixels(Pixel* p, std::size_t n, Pixel colour) {
    if constexpr (sizeof(wchar_t) == sizeof(Pixel)) {
        std::wmemset(reinterpret_cast<wchar_t*>(p), static_cast<wchar_t>(colour), n);
    } else {
        std::fill(p, p + n, colour);
    }
}

// The pixels lo..hi that a one-pixel line along one row or column covers
// going from a towards b: the start included, the end left out, so nothing
// (lo > hi) when a == b. Every line, run and trace step of both graphs keeps
// this rule.
template <class Int>
constexpr void stepSpan(Int a, Int b, Int& lo, Int& hi) {
    lo = a < b ? a : b + 1;
    hi = a < b ? b - 1 : a;
}

// Pixels top..bottom (inclusive, inside the buffer) of column x.
inline void fillColumn(const PixelBuffer& buf, int x, int top, int bottom, Pixel colour) {
    Pixel* p = &buf.at(x, top);
    const long stride = buf.stride;
    for (int y = top; y <= bottom; ++y, p += stride) {
        *p = colour;
    }
}

// Fills the rectangle (x, y, width, height) clipped to `clip` and the buffer.
void fillRect(const PixelBuffer& buf, const PixelRect& clip, int x, int y, int width, int height,
              Pixel colour);

// A one-pixel line from (x0, y0) towards (x1, y1); like a pen moved to the start
// and drawn to the end, the end pixel itself is left out. Coordinates may lie
// millions of pixels outside the buffer: only the part inside `clip` is stepped
// through, and the pixels drawn are exactly those of the whole line. Non-finite
// coordinates draw nothing.
void drawLine(const PixelBuffer& buf, const PixelRect& clip, double x0, double y0, double x1,
              double y1, Pixel colour, LineStyle style = LineStyle::Solid,
              LineMode mode = LineMode::Set);

// drawLine for a solid line whose two end points both lie inside the buffer
// (the caller has checked): the same pixels, without the clipping work.
void drawLineInside(const PixelBuffer& buf, int x0, int y0, int x1, int y1, Pixel colour);

// drawLineInside with the commonest case, the step to a neighbouring pixel (or
// none), done in place: the start pixel alone, nothing when both ends share one.
inline void drawStepInside(const PixelBuffer& buf, int x0, int y0, int x1, int y1, Pixel colour) {
    const int dx = x1 - x0, dy = y1 - y0;
    if (dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1) {
        if ((dx | dy) != 0) {
            buf.at(x0, y0) = colour;
        }
        return;
    }
    drawLineInside(buf, x0, y0, x1, y1, colour);
}

// The rubber band: a one-pixel frame around `rect` (right and bottom exclusive)
// whose pixels are inverted in a checkerboard pattern, like a halftone frame
// drawn by XOR. Drawing the same frame twice restores the buffer.
void invertHalftoneFrame(const PixelBuffer& buf, const PixelRect& clip, const PixelRect& rect);

// Intersection of two rectangles; empty ones come out with zero width or height.
PixelRect intersect(const PixelRect& a, const PixelRect& b);

}  // namespace kr5061

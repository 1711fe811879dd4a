#include "logger/logger_scene.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>

#include "store/number_text.h"
#include "store/truncation.h"

namespace kr5061 {

namespace {

// fillRect clipped to the buffer.
void fillArea(const PixelBuffer& buf, int x, int y, int width, int height, Pixel colour) {
    fillRect(buf, buf.bounds(), x, y, width, height, colour);
}

// Rows top..bottom (inclusive, inside the image) of column x.
inline void columnRun(const PixelBuffer& buf, int x, int top, int bottom, Pixel c) {
    Pixel* p = &buf.at(x, top);
    const long stride = buf.stride;
    for (int y = top; y <= bottom; ++y, p += stride) {
        *p = c;
    }
}

// Pixels lo..hi (inclusive) of a solid line from a towards b, the end left
// out, cut to 0..size-1; false when none is left.
bool lineSpan(int a, int b, int size, int& lo, int& hi) {
    lo = std::max(a < b ? a : b + 1, 0);
    hi = std::min(a < b ? b - 1 : a, size - 1);
    return a != b && lo <= hi;
}

// Whether the ends of a grid line are small enough for lineSpan (anything
// else, a far zoomed one or NaN, goes to drawLine).
bool gridEnds(float a, float b, float c) {
    constexpr float kLimit = 1.0e9f;
    return std::fabs(a) < kLimit && std::fabs(b) < kLimit && std::fabs(c) < kLimit;
}

// The frame's and grid's solid lines along a row or a column: the pixels of
// drawLine for the truncated ends, set directly.
void hLine(const PixelBuffer& buf, float x0, float x1, float y, Pixel c) {
    if (!gridEnds(x0, x1, y)) {
        drawLine(buf, buf.bounds(), truncWhole(x0), truncWhole(y), truncWhole(x1), truncWhole(y),
                 c);
        return;
    }
    const int row = static_cast<int>(y);
    int lo = 0, hi = 0;
    if (row >= 0 && row < buf.height &&
        lineSpan(static_cast<int>(x0), static_cast<int>(x1), buf.width, lo, hi)) {
        Pixel* p = &buf.at(0, row);
        std::fill(p + lo, p + hi + 1, c);
    }
}

void vLine(const PixelBuffer& buf, float x, float y0, float y1, Pixel c) {
    if (!gridEnds(x, y0, y1)) {
        drawLine(buf, buf.bounds(), truncWhole(x), truncWhole(y0), truncWhole(x), truncWhole(y1),
                 c);
        return;
    }
    const int column = static_cast<int>(x);
    int lo = 0, hi = 0;
    if (column >= 0 && column < buf.width &&
        lineSpan(static_cast<int>(y0), static_cast<int>(y1), buf.height, lo, hi)) {
        columnRun(buf, column, lo, hi, c);
    }
}

void addText(LoggerScene& scene, LoggerFont font, int x, int y, std::string text) {
    scene.texts.push_back(LoggerText{font, x, y, std::move(text)});
}

// A step's end row inside one image column, cut to -1..height: the rows of
// the image that a vertical step covers are the same with either end. y is
// a columnPoint().
inline int columnRow(float y, float h, int height) {
    return y <= -1.0f ? -1 : y >= h ? height : static_cast<int>(y);
}

// Whether y can end a step merged into a column run: finite, and not within
// (-1, 0), where a segment lying wholly above the image is skipped although
// its ends truncate into the top row.
inline bool columnPoint(float y) {
    return (y >= 0.0f && y <= std::numeric_limits<float>::max()) ||
           (y <= -1.0f && y >= -std::numeric_limits<float>::max());
}

// The vertical step a -> b in column x, cut to the image, as drawLine draws
// it: from a towards b, b itself left out.
inline void columnStep(const PixelBuffer& buf, int x, int a, int b, Pixel c) {
    if (a < b) {
        columnRun(buf, x, std::max(a, 0), std::min(b - 1, buf.height - 1), c);
    } else if (a > b) {
        columnRun(buf, x, std::max(b + 1, 0), std::min(a, buf.height - 1), c);
    }
}

// Whether every y of records first..last can end a merged step (as
// columnPoint), in one pass without a branch per value: y - y is 0 for a
// finite y only.
bool allColumnPoints(const float (*ys)[kChannelCount], int first, int last) {
    const float* y = ys[first];
    const int count = (last - first + 1) * kChannelCount;
    int misfits = 0;
    for (int k = 0; k < count; ++k) {
        const float v = y[k];
        const int notFinite = !(v - v == 0.0f), nearTop = (v < 0.0f) & (v > -1.0f);
        misfits |= notFinite | nearTop;
    }
    return misfits == 0;
}

// A run of vertical steps in one column, followed for every channel (hidden
// ones too, so the work per record is fixed): the row of the last point and
// the range of the rows left by a step so far (empty: lo > hi). Four
// channels go side by side where vectors are available.
struct ColumnRun {
#if defined(__GNUC__)
    typedef float Floats __attribute__((vector_size(16)));
    typedef int Ints __attribute__((vector_size(16)));
    static_assert(kChannelCount == 5);
    Ints row4, lo4, hi4;
    int row, lo, hi;

    ColumnRun(const float* y, float h, int height) {
        const Floats v = cut(y, h);
        row4 = __builtin_convertvector(v, Ints);
        lo4 = Ints{} + std::numeric_limits<int>::max();
        hi4 = Ints{} + std::numeric_limits<int>::min();
        row = columnRow(y[4], h, height);
        lo = std::numeric_limits<int>::max();
        hi = std::numeric_limits<int>::min();
    }
    // columnRow() of the first four channels: cut to -1..h, then truncated.
    static Floats cut(const float* y, float h) {
        Floats v;
        __builtin_memcpy(&v, y, sizeof v);
        const Floats above = Floats{} - 1.0f, below = Floats{} + h;
        v = v < above ? above : v;
        return v > below ? below : v;
    }
    // The run goes on to the points y: the row left, where it differs from
    // the new one, joins the range.
    void step(const float* y, float h) {
        const Ints r = __builtin_convertvector(cut(y, h), Ints);
        const Ints moved = r != row4;
        lo4 = (moved & (row4 < lo4)) ? row4 : lo4;
        hi4 = (moved & (row4 > hi4)) ? row4 : hi4;
        row4 = r;
        const int r4 = static_cast<int>(std::min(std::max(y[4], -1.0f), h));
        lo = r4 != row ? std::min(lo, row) : lo;
        hi = r4 != row ? std::max(hi, row) : hi;
        row = r4;
    }
    void get(int ch, int& rowOut, int& loOut, int& hiOut) const {
        rowOut = ch < 4 ? row4[ch] : row;
        loOut = ch < 4 ? lo4[ch] : lo;
        hiOut = ch < 4 ? hi4[ch] : hi;
    }
#else
    int row[kChannelCount], lo[kChannelCount], hi[kChannelCount];

    ColumnRun(const float* y, float h, int height) {
        for (int ch = 0; ch < kChannelCount; ++ch) {
            row[ch] = columnRow(y[ch], h, height);
            lo[ch] = std::numeric_limits<int>::max();
            hi[ch] = std::numeric_limits<int>::min();
        }
    }
    void step(const float* y, float h) {
        for (int ch = 0; ch < kChannelCount; ++ch) {
            const int r = static_cast<int>(std::min(std::max(y[ch], -1.0f), h));
            lo[ch] = r != row[ch] ? std::min(lo[ch], row[ch]) : lo[ch];
            hi[ch] = r != row[ch] ? std::max(hi[ch], row[ch]) : hi[ch];
            row[ch] = r;
        }
    }
    void get(int ch, int& rowOut, int& loOut, int& hiOut) const {
        rowOut = row[ch], loOut = lo[ch], hiOut = hi[ch];
    }
#endif
};

// The traces, drawn as if segment by segment in record order, channel by
// channel in between.
//
// Records packed closer than a pixel column give runs of vertical steps in
// one column. A channel's steps a -> b of such a run (each without its end
// row) cover one contiguous set of rows: the range of the points that are
// followed by a different one, widened towards the last point but without
// it. When no two channels' sets meet, the order between them cannot show,
// and each set is filled at once; otherwise the run's steps are drawn one by
// one, record by record. Every other segment is drawn on its own.
class TraceDrawer {
public:
    TraceDrawer(const LoggerGraph& g, int level, int shift, const PixelBuffer& buf)
        : m_buf(buf),
          m_xs(g.loggerX[level]),
          m_ys(g.loggerY[level]),
          m_shift(shift),
          m_height(buf.height),
          m_w(static_cast<float>(buf.width)),
          m_h(static_cast<float>(buf.height)) {
        for (int ch = 0; ch < kChannelCount; ++ch) {
            if (g.showChannel[ch]) {
                m_shown[m_count++] = ch;
            }
        }
    }

    // Records first..last; kChecked: some y may not end a merged step.
    template <bool kChecked>
    void draw(int first, int last) {
        if (m_count == 0) {
            return;
        }
        float x0 = m_xs[first + m_shift][0];
        // x0's column when x0 lies in the image (not in (-1, 0): see
        // columnPoint), else -1.
        int ix0 = columnOf(x0);
        int i = first + 1;
        while (i <= last) {
            const float x1 = m_xs[i + m_shift][0];
            const int ix1 = columnOf(x1);
            if (ix1 == ix0 && ix1 >= 0 && (!kChecked || (fits(i - 1) && fits(i)))) {
                // A run from record i - 1 on, as long as the records stay in
                // this column.
                const int start = i - 1;
                ColumnRun run(m_ys[start], m_h, m_height);
                run.step(m_ys[i], m_h);
                for (++i; i <= last; ++i) {
                    if (columnOf(m_xs[i + m_shift][0]) != ix0 || (kChecked && !fits(i))) {
                        break;
                    }
                    run.step(m_ys[i], m_h);
                }
                closeRun(run, start, i - 1, ix0);
                x0 = m_xs[i - 1 + m_shift][0];
                continue;
            }
            segment(i, x0, x1);
            x0 = x1, ix0 = ix1;
            ++i;
        }
    }

private:
    int columnOf(float x) const { return x >= 0.0f && x < m_w ? static_cast<int>(x) : -1; }

    // Whether record i's points can end merged steps.
    bool fits(int i) const {
        bool all = true;
        for (int ch = 0; ch < kChannelCount; ++ch) {
            all &= columnPoint(m_ys[i][ch]);
        }
        return all;
    }

    void closeRun(const ColumnRun& run, int start, int end, int column) const {
        int top[kChannelCount], bottom[kChannelCount];
        bool apart = true;
        for (int k = 0; k < m_count; ++k) {
            int row = 0, lo = 0, hi = 0;
            run.get(m_shown[k], row, lo, hi);
            top[k] = std::max(std::min(lo, row + 1), 0);
            bottom[k] = std::min(std::max(hi, row - 1), m_height - 1);
            for (int j = 0; j < k; ++j) {
                apart = apart && (top[k] > bottom[k] || top[j] > bottom[j] ||
                                  bottom[k] < top[j] || bottom[j] < top[k]);
            }
        }
        if (apart) {
            for (int k = 0; k < m_count; ++k) {
                if (top[k] <= bottom[k]) {
                    columnRun(m_buf, column, top[k], bottom[k], kLoggerTrace[m_shown[k]]);
                }
            }
            return;
        }
        for (int i = start + 1; i <= end; ++i) {
            for (int k = 0; k < m_count; ++k) {
                const int ch = m_shown[k];
                columnStep(m_buf, column, columnRow(m_ys[i - 1][ch], m_h, m_height),
                           columnRow(m_ys[i][ch], m_h, m_height), kLoggerTrace[ch]);
            }
        }
    }

    // Segment i - 1 -> i of every shown channel, on its own.
    void segment(int i, float xa, float xb) const {
        const float w = m_w, h = m_h;
        // Wholly left or right of the image: every channel's segment is skipped.
        if ((xa < 0 && xb < 0) || (xa >= w && xb >= w)) {
            return;
        }
        // Ends from column 0 to the right edge (the usual case) truncate by a
        // plain conversion.
        const bool across = xa >= 0.0f && xa < w && xb >= 0.0f && xb < w;
        const int ixa = across ? static_cast<int>(xa) : truncToInt(xa);
        const int ixb = across ? static_cast<int>(xb) : truncToInt(xb);
        for (int k = 0; k < m_count; ++k) {
            const int ch = m_shown[k];
            const float y0 = m_ys[i - 1][ch], y1 = m_ys[i][ch];
            if (across && y0 >= 0.0f && y0 < h && y1 >= 0.0f && y1 < h) {
                inside(ixa, static_cast<int>(y0), ixb, static_cast<int>(y1), ch);
                continue;
            }
            const int iy0 = truncToInt(y0), iy1 = truncToInt(y1);
            // Both ends in one pixel (a line leaves out its end pixel), or
            // wholly above or below the image: nothing to draw.
            if ((ixa == ixb && iy0 == iy1) || (y0 < 0 && y1 < 0) || (y0 >= h && y1 >= h)) {
                continue;
            }
            // Both ends truncate into the image (which also rules out NaN): the
            // same pixels as drawLine, without its clipping work.
            if (xa > -1.0f && xa < w && xb > -1.0f && xb < w && y0 > -1.0f && y0 < h &&
                y1 > -1.0f && y1 < h) {
                inside(ixa, iy0, ixb, iy1, ch);
            } else {
                drawLine(m_buf, m_buf.bounds(), xa, y0, xb, y1, kLoggerTrace[ch]);
            }
        }
    }

    // A segment between two pixels of the image, as drawLine draws it.
    void inside(int x0, int y0, int x1, int y1, int ch) const {
        const int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
        if (dx <= 1 && dy <= 1) {
            // Nothing when both ends share a pixel (a line leaves out its end
            // pixel), else the start pixel alone: the usual step into the
            // next column.
            if (dx + dy != 0) {
                m_buf.at(x0, y0) = kLoggerTrace[ch];
            }
        } else {
            drawLineInside(m_buf, x0, y0, x1, y1, kLoggerTrace[ch]);
        }
    }

    const PixelBuffer& m_buf;
    const float (*m_xs)[kChannelCount];
    const float (*m_ys)[kChannelCount];
    int m_shift;
    int m_height;
    float m_w, m_h;
    int m_shown[kChannelCount] = {};
    int m_count = 0;
};

}  // namespace

void drawLoggerTraces(const LoggerGraph& g, int level, int first, int last, int shift,
                      const PixelBuffer& buf) {
    if (first >= last) {
        return;
    }
    TraceDrawer drawer(g, level, shift, buf);
    if (allColumnPoints(g.loggerY[level], first, last)) {
        drawer.draw<false>(first, last);
    } else {
        drawer.draw<true>(first, last);
    }
}

namespace {

// The plot's black area with the grid lines and the red edges over it, one
// row at a time, so that each row is finished while it is in the cache: the
// same pixels as filling the area and then drawing the lines in turn. Only
// for an area wholly inside the buffer and lines of ordinary size; false
// leaves the work to the caller.
bool plotRows(const LoggerGraph& g, const PixelBuffer& buf, float W, float H) {
    const int pl = truncToInt(g.plotLeft), pt = truncToInt(g.plotTop);
    const int pr = truncToInt(g.plotRight), pb = truncToInt(g.plotBottom);
    if (!(0 <= pl && pl < pr && pr <= buf.width && 0 <= pt && pt < pb && pb <= buf.height) ||
        !gridEnds(g.plotLeft, g.plotRight, W) || !gridEnds(g.plotTop, g.plotBottom, H)) {
        return false;
    }
    // Columns set on every row: the vertical grid lines, then the edges.
    int columns[17];
    Pixel colours[17];
    int count = 0;
    if (g.fullView) {
        for (int k = 1; k <= 15; ++k) {
            const int x = static_cast<int>(g.plotLeft + W * static_cast<float>(k) / 15.0f);
            if (x >= 0 && x < buf.width) {
                columns[count] = x, colours[count++] = kLoggerGrid;
            }
        }
    }
    columns[count] = pl, colours[count++] = kLoggerEdge;
    if (pr < buf.width) {
        columns[count] = pr, colours[count++] = kLoggerEdge;
    }
    // The horizontal grid lines' rows, top down; those below the area are
    // drawn after it.
    int gridRows[kLoggerAxisLines];
    for (int k = 0; k < kLoggerAxisLines; ++k) {
        gridRows[k] = static_cast<int>(g.plotTop + H * static_cast<float>(k) * 0.1f);
    }
    int next = 0;
    for (int y = pt; y < pb; ++y) {
        bool grid = false;
        for (; next < kLoggerAxisLines && gridRows[next] <= y; ++next) {
            grid = grid || gridRows[next] == y;
        }
        Pixel* row = &buf.at(0, y);
        fillPixels(row + pl, static_cast<std::size_t>(pr - pl), grid ? kLoggerGrid : rgb(0, 0, 0));
        for (int c = 0; c < count; ++c) {
            row[columns[c]] = colours[c];
        }
    }
    for (int k = 0; k < kLoggerAxisLines; ++k) {
        if (gridRows[k] < pt || gridRows[k] >= pb) {
            hLine(buf, g.plotLeft, g.plotRight, g.plotTop + H * static_cast<float>(k) * 0.1f,
                  kLoggerGrid);
        }
    }
    return true;
}

void frameAndGrid(const LoggerGraph& g, const PixelBuffer& buf, float W, float H,
                  bool masked) {
    if (!plotRows(g, buf, W, H)) {
        fillArea(buf, truncToInt(g.plotLeft), truncToInt(g.plotTop),
                 truncToInt(g.plotRight) - truncToInt(g.plotLeft),
                 truncToInt(g.plotBottom) - truncToInt(g.plotTop), rgb(0, 0, 0));
        for (int k = 0; k <= 10; ++k) {
            hLine(buf, g.plotLeft, g.plotRight, g.plotTop + H * static_cast<float>(k) * 0.1f,
                  kLoggerGrid);
        }
        if (g.fullView) {
            for (int k = 1; k <= 15; ++k) {
                vLine(buf, g.plotLeft + W * static_cast<float>(k) / 15.0f, g.plotTop,
                      g.plotBottom, kLoggerGrid);
            }
        }
        vLine(buf, g.plotLeft, g.plotTop, g.plotBottom, kLoggerEdge);
        vLine(buf, g.plotRight, g.plotTop, g.plotBottom, kLoggerEdge);
    }
    for (int k = 0; k <= 10; ++k) {
        hLine(buf, g.plotLeft - 3, g.plotLeft, g.plotTop + H * static_cast<float>(k) * 0.1f,
              kLoggerEdge);
    }
    if (!masked) {
        fillArea(buf, truncToInt(g.plotLeft - 11.2f), truncToInt(g.plotBottom) + 1,
                 truncToInt(g.plotRight), 100, kLoggerBackground);
    }
}

// The plotted value of a stored reading, bit for bit that of plottedValue(),
// written out here so that the 50 000 values of a paint need no calls.
inline float plotted(int ch, float stored, bool fahrenheit) {
    const float v = (fahrenheit && ch != kHumidity) ? toFahrenheit(stored) : stored;
    double tenths = static_cast<double>(v) * 10.0;
    tenths += std::copysign(std::abs(tenths) * 1e-6, tenths);
    if (ch == kSurface) {
        return static_cast<float>(truncWhole(tenths) / 10.0);
    }
    return static_cast<float>(truncWhole(tenths + std::copysign(0.5, tenths)) / 10.0);
}

#if defined(__GNUC__)
typedef double Doubles __attribute__((vector_size(16)));
typedef long long Masks __attribute__((vector_size(16)));
typedef int Ints __attribute__((vector_size(8)));

// plotted() for the stored readings at flat indices k and k + 1 of a record
// set (channel = index mod kChannelCount), two lanes at a time in the same
// double steps. The truncation converts through int, so it is only taken
// when both lanes fit one; false leaves the pair to plotted(). Casts
// between the vector types reinterpret their bits.
inline bool plottedPair(const float* stored, int k, bool fahrenheit, float& r0, float& r1) {
    const int ch0 = k % kChannelCount, ch1 = (k + 1) % kChannelCount;
    float v0 = stored[k], v1 = stored[k + 1];
    if (fahrenheit) {
        v0 = ch0 != kHumidity ? toFahrenheit(v0) : v0;
        v1 = ch1 != kHumidity ? toFahrenheit(v1) : v1;
    }
    const Masks signBit = Masks{} + static_cast<long long>(0x8000000000000000ull);
    Doubles t = Doubles{static_cast<double>(v0), static_cast<double>(v1)} * 10.0;
    const Masks sign = (Masks)t & signBit;
    Masks absBits = (Masks)t & ~signBit;
    Doubles a = (Doubles)absBits * 1e-6;
    Masks nudge = (Masks)a | sign;
    t += (Doubles)nudge;
    const Masks sign2 = (Masks)t & signBit;
    Masks halfBits = (Masks)(Doubles{} + 0.5) | sign2;
    const Doubles rounded = t + (Doubles)halfBits;
    const Doubles u = Doubles{ch0 == kSurface ? t[0] : rounded[0],
                              ch1 == kSurface ? t[1] : rounded[1]};
    if (!(u[0] > -2147483648.0 && u[0] < 2147483648.0 && u[1] > -2147483648.0 &&
          u[1] < 2147483648.0)) {
        return false;
    }
    const Doubles whole = __builtin_convertvector(__builtin_convertvector(u, Ints), Doubles);
    const Doubles q = whole / 10.0;
    r0 = static_cast<float>(q[0]);
    r1 = static_cast<float>(q[1]);
    return true;
}
#endif

bool sameLevel0Key(const LoggerLevel0Key& a, const LoggerLevel0Key& b) {
    const auto same = [](float u, float v) {
        return std::bit_cast<std::uint32_t>(u) == std::bit_cast<std::uint32_t>(v);
    };
    return a.recordCount == b.recordCount && a.fahrenheit == b.fahrenheit && a.gain == b.gain &&
           a.offset == b.offset && same(a.width, b.width) && same(a.height, b.height) &&
           same(a.plotLeft, b.plotLeft) && same(a.plotBottom, b.plotBottom);
}

// The first of records 0..n-1 whose stored readings differ from the kept
// copy, n when none does: a block compare first, then the record in it.
int firstChangedRecord(const float (*now)[kChannelCount], const float (*kept)[kChannelCount],
                       int n) {
    constexpr int kBlock = 256;
    int i = 0;
    for (; i < n; i += kBlock) {
        const std::size_t records = static_cast<std::size_t>(std::min(kBlock, n - i));
        if (std::memcmp(now[i], kept[i], records * sizeof now[i]) != 0) {
            break;
        }
    }
    if (i >= n) {
        return n;
    }
    while (std::memcmp(now[i], kept[i], sizeof now[i]) == 0) {
        ++i;
    }
    return i;
}

// Level 0: every record's x and y in the unzoomed plot. Kept from the last
// paint when built from the same inputs, rebuilt from the first record whose
// readings changed when only they did, else rebuilt whole.
void level0(LoggerGraph& g, const CHygDoc& doc, const ViewState& view, int n, float W, float H) {
    g.xStep = n > 1 ? W / static_cast<float>(n - 1) : 0.0f;
    float axis[kLoggerAxisLines];
    loggerLevel0Axis(view.m_loggerGain, view.m_loggerOffset, axis);
    for (int k = 0; k < kLoggerAxisLines; ++k) {
        g.loggerAxisValue[k][0] = axis[k];
    }
    const float a0 = axis[0], a10 = axis[kLoggerAxisLines - 1];
    const bool fahrenheit = doc.m_recallFahrenheit == 1;
    LoggerLevel0Key key;
    key.recordCount = n;
    key.fahrenheit = fahrenheit;
    key.gain = view.m_loggerGain;
    key.offset = view.m_loggerOffset;
    key.width = W, key.height = H, key.plotLeft = g.plotLeft, key.plotBottom = g.plotBottom;
    int from = 0;
    if (sameLevel0Key(key, g.level0Key)) {
        from = firstChangedRecord(doc.m_recall.all(), g.level0Readings.all(), n);
        if (from == n) {
            return;
        }
    }
    g.level0Key = key;
    // Plotted values come in tenths, so a channel often repeats its last one;
    // the same bits give the same y, taken over instead of divided again.
    std::uint32_t lastBits[kChannelCount];
    float lastY[kChannelCount];
    for (int ch = 0; ch < kChannelCount; ++ch) {
        const float r = from < n ? plotted(ch, doc.m_recall[from][ch], fahrenheit) : 0.0f;
        lastBits[ch] = std::bit_cast<std::uint32_t>(r);
        lastY[ch] = g.plotBottom - (r - a0) * H / (a10 - a0);
    }
    // The plotted values first, into the x block (flat, record by record),
    // then y from them and x in place of them; y is compared as it is stored
    // so that a zoomed paint knows whether level 0 changed.
    const float* stored = &doc.m_recall[0][0];
    float* plottedOut = &g.loggerX[0][0][0];
    const int count = n * kChannelCount;
    int k = from * kChannelCount;
#if defined(__GNUC__)
    for (; k + 1 < count; k += 2) {
        if (!plottedPair(stored, k, fahrenheit, plottedOut[k], plottedOut[k + 1])) {
            plottedOut[k] = plotted(k % kChannelCount, stored[k], fahrenheit);
            plottedOut[k + 1] = plotted((k + 1) % kChannelCount, stored[k + 1], fahrenheit);
        }
    }
#endif
    for (; k < count; ++k) {
        plottedOut[k] = plotted(k % kChannelCount, stored[k], fahrenheit);
    }
    std::uint32_t changed = 0;
    for (int i = from; i < n; ++i) {
        const float x = static_cast<float>(i) * g.xStep + g.plotLeft;
        for (int ch = 0; ch < kChannelCount; ++ch) {
            const float r = g.loggerX[0][i][ch];
            const std::uint32_t bits = std::bit_cast<std::uint32_t>(r);
            if (bits != lastBits[ch]) {
                lastBits[ch] = bits;
                lastY[ch] = g.plotBottom - (r - a0) * H / (a10 - a0);
            }
            float& y = g.loggerY[0][i][ch];
            changed |= std::bit_cast<std::uint32_t>(y) ^ std::bit_cast<std::uint32_t>(lastY[ch]);
            g.loggerX[0][i][ch] = x;
            y = lastY[ch];
        }
    }
    if (changed != 0) {
        ++g.level0Generation;
    }
    if (from < n) {
        std::memcpy(g.level0Readings[static_cast<std::size_t>(from)],
                    doc.m_recall[static_cast<std::size_t>(from)],
                    static_cast<std::size_t>(n - from) * sizeof doc.m_recall[0]);
    }
}

void masks(const LoggerGraph& g, const PixelBuffer& buf) {
    const int R = buf.width, B = buf.height;
    // Up to the window's top edge: the toolbar strip above row 23 shows the
    // window through its gaps, and no trace may show there.
    fillArea(buf, 0, 0, R, truncToInt(g.plotTop), kLoggerBackground);
    fillArea(buf, 0, truncToInt(g.plotBottom) + 1, R,
             truncToInt(static_cast<float>(B) - g.plotBottom), kLoggerBackground);
    // Beside the plot from row 23 down; the rows above and below it are
    // filled already.
    const int top = std::max(23, truncToInt(g.plotTop));
    const int height = std::min(B, truncToInt(g.plotBottom) + 1) - top;
    fillArea(buf, 0, top, truncToInt(g.plotLeft), height, kLoggerBackground);
    fillArea(buf, truncToInt(g.plotRight), top, truncToInt(static_cast<float>(R) - g.plotRight),
             height, kLoggerBackground);
}

void fullView(LoggerGraph& g, const CHygDoc& doc, int n, const PixelBuffer& buf,
              LoggerScene& scene) {
    drawLoggerTraces(g, 0, 0, n - 1, 0, buf);
    masks(g, buf);
    const std::int64_t start = doc.m_recallTag;
    const std::int64_t end =
        start + static_cast<std::int64_t>(std::max(n - 1, 0)) * doc.m_recallPeriod;
    const int y = truncToInt(g.plotBottom + 8);
    addText(scene, LoggerFont::A, truncToInt(g.plotLeft), y, localTimeText(start, kClockPattern));
    addText(scene, LoggerFont::A, truncToInt(g.plotRight - 55), y, localTimeText(end, kClockPattern));
}

// Axis values and corner order of levels 1..depth, each from the rectangle
// dragged on the level below it.
void rebuildAxes(LoggerGraph& g, int depth, float H) {
    for (int l = 1; l <= depth; ++l) {
        const int r = l - 1;
        if (g.zoomHiX[r] < g.zoomLoX[r]) {
            std::swap(g.zoomHiX[r], g.zoomLoX[r]);
        }
        if (g.zoomHiY[r] < g.zoomLoY[r]) {
            std::swap(g.zoomHiY[r], g.zoomLoY[r]);
        }
        const float b0 = g.loggerAxisValue[0][r], b10 = g.loggerAxisValue[10][r];
        for (int k = 0; k < kLoggerAxisLines; ++k) {
            g.loggerAxisValue[k][l] =
                b0 + ((g.plotBottom - g.zoomHiY[r]) +
                      static_cast<float>(k) * (g.zoomHiY[r] - g.zoomLoY[r]) * 0.1f) *
                         (b10 - b0) / H;
        }
    }
}

// Each level's coordinates come from the level below: origin + (v - lo) x
// extent / span. Only the deepest level is drawn, so every value is carried
// through all the levels in registers, in the same single-precision steps
// (bit for bit what storing each level would give), and only the last level
// is written. Chunks of kChunk values let the compiler vectorise the steps.
constexpr int kChunk = 16;

using LevelMaps = LoggerLevelMaps;

#if defined(__GNUC__)
// Four lanes of plain single-precision arithmetic: the same operations as
// the scalar steps, four values at a time.
typedef float Lanes __attribute__((vector_size(16)));
constexpr int kLanes = 4;

inline void mapChunk(float (&v)[kChunk], const LevelMaps& m) {
    constexpr int kVectors = kChunk / kLanes;
    Lanes a[kVectors];
    __builtin_memcpy(a, v, sizeof a);
    const Lanes origin = Lanes{} + m.origin, extent = Lanes{} + m.extent;
    for (int l = 0; l < m.count; ++l) {
        const Lanes lo = Lanes{} + m.lo[l], span = Lanes{} + m.span[l];
        for (int j = 0; j < kVectors; ++j) {
            a[j] = origin + (a[j] - lo) * extent / span;
        }
    }
    __builtin_memcpy(v, a, sizeof a);
}
#else
inline void mapChunk(float (&v)[kChunk], const LevelMaps& m) {
    for (int l = 0; l < m.count; ++l) {
        const float lo = m.lo[l], span = m.span[l];
        for (int j = 0; j < kChunk; ++j) {
            v[j] = m.origin + (v[j] - lo) * m.extent / span;
        }
    }
}
#endif

inline float mapOne(float v, const LevelMaps& m) {
    for (int l = 0; l < m.count; ++l) {
        v = m.origin + (v - m.lo[l]) * m.extent / m.span[l];
    }
    return v;
}

static_assert(decltype(LoggerGraph::loggerX)::kBytes ==
                  sizeof(float) * kLoggerZoomLevels * kSampleCapacity * kChannelCount,
              "a level's coordinates must be one contiguous block");

bool sameBits(float a, float b) {
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

bool sameMaps(const LevelMaps& a, const LevelMaps& b) {
    const std::size_t levels = sizeof(float) * static_cast<std::size_t>(a.count);
    return a.count == b.count && sameBits(a.origin, b.origin) && sameBits(a.extent, b.extent) &&
           std::memcmp(a.lo, b.lo, levels) == 0 && std::memcmp(a.span, b.span, levels) == 0;
}

bool sameKey(const LoggerLevelCacheKey& a, const LoggerLevelCacheKey& b) {
    return a.level0Generation == b.level0Generation && a.recordCount == b.recordCount &&
           sameBits(a.xStep, b.xStep) && sameBits(a.plotLeft, b.plotLeft) && sameMaps(a.x, b.x) &&
           sameMaps(a.y, b.y);
}

// Coordinates of level `depth` from level 0, unless the ones built last time
// came from the same inputs.
void rebuildCoordinates(LoggerGraph& g, int n, int depth, float W, float H) {
    LoggerLevelCacheKey key;
    key.level0Generation = g.level0Generation;
    key.recordCount = n;
    key.xStep = g.xStep;
    key.plotLeft = g.plotLeft;
    LevelMaps& mx = key.x;
    LevelMaps& my = key.y;
    mx.count = my.count = depth;
    mx.origin = g.plotLeft, mx.extent = W;
    my.origin = g.plotTop, my.extent = H;
    for (int r = 0; r < depth; ++r) {
        mx.lo[r] = g.zoomLoX[r], mx.span[r] = g.zoomHiX[r] - g.zoomLoX[r];
        my.lo[r] = g.zoomLoY[r], my.span[r] = g.zoomHiY[r] - g.zoomLoY[r];
    }
    if (sameKey(key, g.levelCache)) {
        return;
    }
    g.levelCache = key;
    // All channels of a record share its x: mapped once, stored for each.
    float (*toX)[kChannelCount] = g.loggerX[depth];
    int i = 0;
    for (; i + kChunk <= n; i += kChunk) {
        float v[kChunk];
        for (int j = 0; j < kChunk; ++j) {
            v[j] = g.loggerX[0][i + j][0];
        }
        mapChunk(v, mx);
        for (int j = 0; j < kChunk; ++j) {
            for (int ch = 0; ch < kChannelCount; ++ch) {
                toX[i + j][ch] = v[j];
            }
        }
    }
    for (; i < n; ++i) {
        const float x = mapOne(g.loggerX[0][i][0], mx);
        for (int ch = 0; ch < kChannelCount; ++ch) {
            toX[i][ch] = x;
        }
    }
    const float* fromY = &g.loggerY[0][0][0];
    float* toY = &g.loggerY[depth][0][0];
    const int count = n * kChannelCount;
    int k = 0;
    for (; k + kChunk <= count; k += kChunk) {
        float v[kChunk];
        for (int j = 0; j < kChunk; ++j) {
            v[j] = fromY[k + j];
        }
        mapChunk(v, my);
        for (int j = 0; j < kChunk; ++j) {
            toY[k + j] = v[j];
        }
    }
    for (; k < count; ++k) {
        toY[k] = mapOne(fromY[k], my);
    }
}

void zoomGridAndLabelIndices(LoggerGraph& g, int n, float W, float s, const PixelBuffer& buf) {
    const int D = g.zoomLevel;
    const int steps = truncToInt(W / s);
    const bool firstInside = g.firstIndex >= 0 && g.firstIndex < n;
    if (steps <= 1) {
        for (int m = 0; m < kLoggerTimeLabels; ++m) {
            const int idx = g.firstIndex + m;
            g.labelIndex[m] = idx;
            if (idx >= 0 && idx < n) {
                vLine(buf, g.loggerX[D][idx][0], g.plotBottom, g.plotTop, kLoggerZoomGrid);
            }
        }
    } else {
        const float f = steps >= 4 ? 0.25f : steps == 3 ? 1.0f / 3.0f : 0.5f;
        const int q = truncToInt(W * f / s);
        for (int m = 0; m < kLoggerTimeLabels; ++m) {
            if (firstInside) {
                vLine(buf, g.loggerX[D][g.firstIndex][0] + static_cast<float>(m * q) * s,
                      g.plotBottom, g.plotTop, kLoggerZoomGrid);
            }
            g.labelIndex[m] = g.firstIndex + m * q;
        }
    }
}

void zoomView(LoggerGraph& g, const CHygDoc& doc, int n, float W, float H,
              const PixelBuffer& buf, LoggerScene& scene) {
    const int D = g.zoomLevel;
    scene.zoomMode = true;
    scene.scrollMax = n;
    rebuildAxes(g, D, H);
    rebuildCoordinates(g, n, D, W, H);
    const float s = loggerRecordStep(g, doc);
    if (s <= 0.0f) {
        // Fewer than two records: nothing to place along the time axis.
        g.firstIndex = 0;
        g.firstIndexValid = true;
        masks(g, buf);
        return;
    }
    if (!g.firstIndexValid) {
        const float off = static_cast<float>(g.scrollOffset);
        g.firstIndex = truncToInt((g.plotLeft - (g.loggerX[D][0][0] + off * s)) / s + off);
        scene.thumb = std::clamp(g.firstIndex, 0, n);
        g.firstIndexValid = true;
    }
    const std::int64_t period = doc.m_recallPeriod;
    g.firstTime = doc.m_recallTag + static_cast<std::int64_t>(g.firstIndex - g.scrollOffset) * period;
    zoomGridAndLabelIndices(g, n, W, s, buf);
    for (int m = 0; m < kLoggerTimeLabels; ++m) {
        g.labelTime[m] = g.firstTime + static_cast<std::int64_t>(g.labelIndex[m] - g.firstIndex) * period;
    }

    // The scroll offset shifts the data by whole records; only segments whose
    // shifted ends are records of the set are drawn.
    const int off = g.scrollOffset;
    const int first = std::max(0, -off);
    const int last = static_cast<int>(std::min<std::int64_t>(
        static_cast<std::int64_t>(n) - 1, static_cast<std::int64_t>(n) - off - 1));
    drawLoggerTraces(g, D, first, last, off, buf);
    masks(g, buf);
    for (int m = 0; m < kLoggerTimeLabels; ++m) {
        const int idx = g.labelIndex[m];
        if (idx < 0 || idx >= n) {
            continue;
        }
        const float x = g.loggerX[D][idx][0];
        if (g.plotLeft <= x && x <= g.plotRight) {
            addText(scene, LoggerFont::A, truncToInt(x), truncToInt(g.plotBottom) + 1,
                    localTimeText(g.labelTime[m], kClockPattern));
        }
    }
}

void valueLabels(const LoggerGraph& g, float H, LoggerScene& scene) {
    for (int k = 0; k < kLoggerAxisLines; ++k) {
        const float v = g.loggerAxisValue[k][g.zoomLevel];
        const float p = static_cast<float>(valueLabelDigits(v));
        addText(scene, LoggerFont::A, truncToInt(g.plotLeft - 70 + p * 7.5f),
                truncToInt(g.plotBottom - H * static_cast<float>(k) * 0.1f - 5), formatFixed(v, 2));
    }
}

void legend(const LoggerGraph& g, const PixelBuffer& buf, LoggerScene& scene) {
    static const char* const kNames[kChannelCount] = {"AIR", "WB", "DP", "K/IR", "RH"};
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (!g.showChannel[ch]) {
            continue;
        }
        const float base = g.plotLeft + 120.0f * static_cast<float>(ch);
        addText(scene, LoggerFont::A, truncToInt(base + 40), 40, kNames[ch]);
        // A two-pixel pen centred on y = 60.
        hLine(buf, base + 20, base + 80, 59, kLoggerTrace[ch]);
        hLine(buf, base + 20, base + 80, 60, kLoggerTrace[ch]);
    }
}

}  // namespace

int valueLabelDigits(float v) {
    if (v >= 1000) return 1;
    if (v >= 100) return 2;
    if (v >= 10) return 3;
    if (v >= 0) return 4;
    if (v > -10) return 3;
    if (v > -100) return 2;
    if (v > -1000) return 1;
    return 0;
}

int loggerRecordCount(const CHygDoc& doc) { return std::clamp(doc.m_recallCount, 0, kSampleCapacity); }

float loggerRecordStep(const LoggerGraph& graph, const CHygDoc& doc) {
    if (loggerRecordCount(doc) < 2) {
        return 0.0f;
    }
    const int D = graph.zoomLevel;
    return graph.loggerX[D][1][0] - graph.loggerX[D][0][0];
}

void addReadoutTexts(LoggerGraph& g, const CHygDoc& doc, LoggerScene& scene) {
    const int n = loggerRecordCount(doc);
    if (g.cursorIndex >= 0 && g.cursorIndex < n && doc.m_recall[g.cursorIndex][kSurface] <= -1000.0f) {
        g.readoutText[kSurface] = "------";
    }
    for (int ch = 0; ch < kChannelCount; ++ch) {
        if (!g.showChannel[ch]) {
            continue;
        }
        const int x = truncToInt(g.plotLeft + 120.0f * static_cast<float>(ch));
        const bool rh = ch == kHumidity;
        addText(scene, LoggerFont::B, x, 70, g.readoutText[ch] + (rh ? "%RH" : doc.m_recallUnit));
        addText(scene, LoggerFont::B, x + (rh ? 62 : 50), 70, "@");
        addText(scene, LoggerFont::B, x + (rh ? 74 : 62), 70, g.readoutTime);
    }
}

void buildLoggerScene(LoggerGraph& g, const CHygDoc& doc, const ViewState& view,
                      bool storeEmpty, const PixelBuffer& buf, LoggerScene& scene) {
    scene.clear();
    g.plotLeft = 306;
    g.plotTop = 90;
    g.plotRight = static_cast<float>(buf.width - 61);
    g.plotBottom = static_cast<float>(buf.height - 61);
    // Background everywhere; the plot's own area is filled black right after,
    // so it is skipped here. With a set on screen the masks later paint
    // everything around the plot except the plot's bottom row, so only that
    // gets the background first.
    const int pl = 306, pt = 90, pr = buf.width - 61, pb = buf.height - 61;
    const bool masked = !storeEmpty && pr > pl && pb > pt;
    if (masked) {
        fillArea(buf, 0, pb, buf.width, 1, kLoggerBackground);
    } else if (pr > pl && pb > pt) {
        fillArea(buf, 0, 0, buf.width, pt, kLoggerBackground);
        fillArea(buf, 0, pb, buf.width, buf.height - pb, kLoggerBackground);
        fillArea(buf, 0, pt, pl, pb - pt, kLoggerBackground);
        fillArea(buf, pr, pt, buf.width - pr, pb - pt, kLoggerBackground);
    } else {
        fillArea(buf, 0, 0, buf.width, buf.height, kLoggerBackground);
    }
    const float W = g.plotRight - g.plotLeft, H = g.plotBottom - g.plotTop;
    frameAndGrid(g, buf, W, H, masked);

    if (!storeEmpty) {
        const int n = loggerRecordCount(doc);
        level0(g, doc, view, n, W, H);
        if (g.fullView) {
            fullView(g, doc, n, buf, scene);
        } else {
            zoomView(g, doc, n, W, H, buf, scene);
        }
        valueLabels(g, H, scene);
        addReadoutTexts(g, doc, scene);
    }
    legend(g, buf, scene);
    if (!g.cursorAbsent) {
        const float x = truncWhole(static_cast<float>(g.cursorX));
        drawLine(buf, buf.bounds(), x, truncWhole(g.plotTop), x, truncWhole(g.plotBottom),
                 kLoggerCursor, LineStyle::Dotted, LineMode::Invert);
    }
}

}  // namespace kr5061

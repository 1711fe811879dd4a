#include "logger/logger_traces.h"

#include <algorithm>
#include <limits>

#include "store/truncation.h"

namespace kr5061 {

namespace {

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

// The vertical step a -> b in column x, cut to the image, as drawLine draws it.
inline void columnStep(const PixelBuffer& buf, int x, int a, int b, Pixel c) {
    int lo = 0, hi = 0;
    stepSpan(a, b, lo, hi);
    lo = std::max(lo, 0), hi = std::min(hi, buf.height - 1);
    if (lo <= hi) {
        fillColumn(buf, x, lo, hi, c);
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
// the range of the rows left by a step so far (empty: lo > hi).
struct ColumnRun {
    // GCC and Clang vector types: four lanes of the same steps at once.
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
                apart = apart && (top[k] > bottom[k] || top[j] > bottom[j] || bottom[k] < top[j] ||
                                  bottom[j] < top[k]);
            }
        }
        if (apart) {
            for (int k = 0; k < m_count; ++k) {
                if (top[k] <= bottom[k]) {
                    fillColumn(m_buf, column, top[k], bottom[k], kLoggerTrace[m_shown[k]]);
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
                drawStepInside(m_buf, ixa, static_cast<int>(y0), ixb, static_cast<int>(y1),
                               kLoggerTrace[ch]);
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
                drawStepInside(m_buf, ixa, iy0, ixb, iy1, kLoggerTrace[ch]);
            } else {
                drawLine(m_buf, m_buf.bounds(), xa, y0, xb, y1, kLoggerTrace[ch]);
            }
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

}  // namespace kr5061

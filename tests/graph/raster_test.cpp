#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "graph/raster.h"

namespace kr5061 {
namespace {

constexpr Pixel kBlack = rgb(0, 0, 0);
constexpr Pixel kRed = rgb(255, 0, 0);

struct Image {
    std::vector<Pixel> pixels;
    PixelBuffer buf;
    Image(int w, int h, Pixel fill = kBlack) : pixels(static_cast<std::size_t>(w) * h, fill) {
        buf = {pixels.data(), w, h, w};
    }
    int count(Pixel c) const {
        int n = 0;
        for (Pixel p : pixels) {
            n += p == c;
        }
        return n;
    }
};

TEST(Raster, LineLeavesOutItsEndPixelAndDrawsEveryOtherOne) {
    Image img(20, 10);
    drawLine(img.buf, img.buf.bounds(), 2, 3, 12, 3, kRed);
    for (int x = 2; x < 12; ++x) {
        EXPECT_EQ(img.buf.at(x, 3), kRed) << x;
    }
    EXPECT_EQ(img.buf.at(12, 3), kBlack);
    EXPECT_EQ(img.buf.at(1, 3), kBlack);
    EXPECT_EQ(img.count(kRed), 10);

    Image up(5, 10);  // drawn from the bottom up, as the grid's vertical lines are
    drawLine(up.buf, up.buf.bounds(), 1, 9, 1, 0, kRed);
    EXPECT_EQ(up.buf.at(1, 9), kRed);
    EXPECT_EQ(up.buf.at(1, 1), kRed);
    EXPECT_EQ(up.buf.at(1, 0), kBlack);
}

TEST(Raster, DiagonalAndZeroLengthLines) {
    Image img(10, 10);
    drawLine(img.buf, img.buf.bounds(), 0, 0, 5, 5, kRed);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(img.buf.at(i, i), kRed);
    }
    EXPECT_EQ(img.count(kRed), 5);
    Image none(4, 4);
    drawLine(none.buf, none.buf.bounds(), 2, 2, 2, 2, kRed);
    EXPECT_EQ(none.count(kRed), 0);
}

TEST(Raster, DottedPatternIsThreeOnThreeOffFromTheStartPoint) {
    Image img(20, 1);
    drawLine(img.buf, img.buf.bounds(), 0, 0, 20, 0, kRed, LineStyle::Dotted);
    for (int x = 0; x < 20; ++x) {
        EXPECT_EQ(img.buf.at(x, 0) == kRed, (x % 6) < 3) << x;
    }
    // Cut by the clip, the pattern keeps the phase of the whole line.
    Image cut(20, 1);
    drawLine(cut.buf, {0, 0, 20, 1}, -4, 0, 20, 0, kRed, LineStyle::Dotted);
    for (int x = 0; x < 20; ++x) {
        EXPECT_EQ(cut.buf.at(x, 0) == kRed, ((x + 4) % 6) < 3) << x;
    }
}

// A segment clipped to a small buffer draws exactly the pixels the whole
// segment draws into a buffer big enough to hold it.
TEST(Raster, ClippedSegmentsDrawExactlyTheirVisiblePixels) {
    struct Seg {
        double x0, y0, x1, y1;
    };
    const Seg segs[] = {{-30, -7, 45, 33}, {44, 2, -25, 19}, {5, -40, 12, 50},   {-50, 10, 70, 11},
                        {16, 30, -3, -21}, {-9, -9, 30, 30}, {39, -20, -20, 39}, {3, 7, 3, -60}};
    const PixelRect clip{10, 5, 30, 25};
    for (const Seg& s : segs) {
        SCOPED_TRACE(testing::Message() << s.x0 << "," << s.y0 << " " << s.x1 << "," << s.y1);
        Image big(200, 200);
        // The unclipped reference, moved into the middle of a big buffer.
        drawLine(big.buf, big.buf.bounds(), s.x0 + 100, s.y0 + 100, s.x1 + 100, s.y1 + 100, kRed);
        Image small(40, 30);
        drawLine(small.buf, clip, s.x0, s.y0, s.x1, s.y1, kRed);
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 40; ++x) {
                const bool inClip =
                    x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
                const bool want = inClip && big.buf.at(x + 100, y + 100) == kRed;
                EXPECT_EQ(small.buf.at(x, y) == kRed, want) << x << "," << y;
            }
        }
    }
}

TEST(Raster, FarOffSegmentsAreCutWithoutSteppingOrOverflow) {
    Image img(100, 50);
    // Millions of pixels away, on one side: nothing.
    drawLine(img.buf, img.buf.bounds(), -3e6, 10, -2e6, 40, kRed);
    drawLine(img.buf, img.buf.bounds(), 5e9, -1e9, 6e9, 2e9, kRed);
    EXPECT_EQ(img.count(kRed), 0);
    // Crossing the buffer from far away: one visible row, on the right pixels.
    drawLine(img.buf, img.buf.bounds(), -4e6, 20, 4e6, 20, kRed);
    EXPECT_EQ(img.count(kRed), 100);
    for (int x = 0; x < 100; ++x) {
        EXPECT_EQ(img.buf.at(x, 20), kRed);
    }
    // A very long shallow line: where it crosses the buffer, y follows the slope.
    Image slope(100, 100);
    drawLine(slope.buf, slope.buf.bounds(), -1e7, -1e5, 1e7, 1e5 + 100, kRed);
    const int y = static_cast<int>(std::floor(-1e5 + (1e7 + 50) * (2e5 + 100) / 2e7 + 0.5));
    EXPECT_EQ(slope.buf.at(50, y), kRed);
    // Beyond any int range and non-finite coordinates never crash.
    drawLine(img.buf, img.buf.bounds(), -1e30, 5, 1e30, 5, kRed);
    EXPECT_EQ(img.buf.at(50, 5), kRed);
    const double inf = std::numeric_limits<double>::infinity();
    drawLine(img.buf, img.buf.bounds(), std::nan(""), 1, 10, 1, kRed);
    drawLine(img.buf, img.buf.bounds(), 0, 2, inf, 2, kRed);
    EXPECT_NE(img.buf.at(1, 1), kRed);
    EXPECT_NE(img.buf.at(1, 2), kRed);
}

TEST(Raster, InvertingTwiceGivesTheImageBack) {
    Image img(30, 30, rgb(10, 200, 30));
    img.buf.at(5, 5) = kRed;
    const std::vector<Pixel> before = img.pixels;
    drawLine(img.buf, img.buf.bounds(), 5, 0, 5, 30, kBlack, LineStyle::Dotted, LineMode::Invert);
    EXPECT_EQ(img.buf.at(5, 0), invertPixel(rgb(10, 200, 30)));
    EXPECT_EQ(img.buf.at(5, 3), rgb(10, 200, 30));  // a gap of the dots
    EXPECT_EQ(img.buf.at(5, 7), invertPixel(rgb(10, 200, 30)));
    drawLine(img.buf, img.buf.bounds(), 5, 0, 5, 30, kBlack, LineStyle::Dotted, LineMode::Invert);
    EXPECT_EQ(img.pixels, before);

    invertHalftoneFrame(img.buf, img.buf.bounds(), {3, 4, 20, 25});
    EXPECT_NE(img.pixels, before);
    EXPECT_EQ(img.buf.at(10, 10), before[10 * 30 + 10]);  // the inside stays
    invertHalftoneFrame(img.buf, img.buf.bounds(), {3, 4, 20, 25});
    EXPECT_EQ(img.pixels, before);
}

TEST(Raster, InvertingPenIsNotXorWithItsColourAndUndoesItself) {
    const struct {
        Pixel pen, dst, out;
    } cases[] = {
        {rgb(150, 50, 50), kBlack, rgb(105, 205, 205)},  // the logger's cursor on the plot
        {rgb(150, 50, 50), rgb(80, 80, 80), rgb(57, 157, 157)},
        {kBlack, rgb(10, 200, 30), rgb(245, 55, 225)},  // a black pen inverts
        {rgb(255, 255, 255), rgb(10, 200, 30), rgb(10, 200, 30)},
    };
    for (const auto& c : cases) {
        Image img(4, 8, c.dst);
        drawLine(img.buf, img.buf.bounds(), 1, 0, 1, 8, c.pen, LineStyle::Dotted, LineMode::Invert);
        EXPECT_EQ(img.buf.at(1, 2), c.out) << std::hex << c.pen << " on " << c.dst;
        EXPECT_EQ(img.buf.at(1, 3), c.dst) << "a gap of the dots";
        drawLine(img.buf, img.buf.bounds(), 1, 0, 1, 8, c.pen, LineStyle::Dotted, LineMode::Invert);
        EXPECT_EQ(img.count(c.dst), 32);
    }
}

TEST(Raster, HalftoneFrameInvertsEveryOtherPixelOfItsBorder) {
    Image img(10, 10);
    invertHalftoneFrame(img.buf, img.buf.bounds(), {2, 2, 8, 6});
    EXPECT_EQ(img.buf.at(2, 2), invertPixel(kBlack));
    EXPECT_EQ(img.buf.at(3, 2), kBlack);
    EXPECT_EQ(img.buf.at(7, 5), invertPixel(kBlack));  // bottom-right corner, inclusive
    EXPECT_EQ(img.buf.at(8, 6), kBlack);
    EXPECT_EQ(img.buf.at(4, 4), kBlack);
    // An empty rectangle (a drag with no width) draws nothing.
    Image none(10, 10);
    invertHalftoneFrame(none.buf, none.buf.bounds(), {4, 2, 4, 8});
    EXPECT_EQ(none.count(kBlack), 100);
}

TEST(Raster, FillIsCutToClipAndBuffer) {
    Image img(10, 10);
    fillRect(img.buf, {2, 2, 8, 8}, -5, -5, 100, 100, kRed);
    EXPECT_EQ(img.count(kRed), 36);
    fillRect(img.buf, img.buf.bounds(), 0, 0, -3, 4, rgb(1, 2, 3));
    EXPECT_EQ(img.count(rgb(1, 2, 3)), 0);
}

}  // namespace
}  // namespace kr5061

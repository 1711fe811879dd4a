#include <gtest/gtest.h>

#include <vector>

#include "psychro/chart_geometry.h"
#include "psychro/chart_scene.h"
#include "psychro/moist_air.h"

namespace kr5061::psychro {
namespace {

TEST(ChartRange, NiceTicksAreRoundAndWithinTheSpan) {
    const struct {
        double lo, hi;
        int maxCount;
        double first, step;
        int count;
    } cases[] = {
        {-10, 50, 13, -10, 5, 13}, {-10, 50, 12, -10, 10, 7},      {0, 30, 8, 0, 5, 7},
        {14, 122, 10, 20, 20, 6},  {0.76, 0.96, 5, 0.80, 0.05, 4}, {-3.3, 3.3, 4, -2, 2, 3},
    };
    for (const auto& c : cases) {
        const Ticks t = niceTicks(c.lo, c.hi, c.maxCount);
        EXPECT_NEAR(t.first, c.first, 1e-9) << c.lo << ".." << c.hi;
        EXPECT_NEAR(t.step, c.step, 1e-9) << c.lo << ".." << c.hi;
        EXPECT_EQ(t.count, c.count) << c.lo << ".." << c.hi;
    }
}

TEST(ChartRange, FollowsTheReadingsAndKeepsTheClassicChartAsItsLeast) {
    const ChartRange none = followRange({}, {}, kStandardPressureKPa);
    EXPECT_EQ(none.tMinC, -10);
    EXPECT_EQ(none.tMaxC, 50);
    EXPECT_NEAR(none.wMax, 0.030, 1e-12);

    // 35 degC at 90 % holds about 33 g/kg; the surface at -23 degC widens the left.
    const double w = fromRelativeHumidity(35, 90, kStandardPressureKPa).air->humidityRatio;
    const ChartFocus hot[] = {{35, w}};
    const double surface[] = {-23, 47};
    const ChartRange r = followRange(hot, surface, kStandardPressureKPa);
    EXPECT_EQ(r.tMinC, -30);
    EXPECT_EQ(r.tMaxC, 55);
    EXPECT_GE(r.wMax, 1.35 * w);
}

TEST(ChartRange, ZoomKeepsTheAnchorInPlaceAndStaysWithinTheFormulas) {
    const ChartRange r;
    const ChartRange in = zoomRange(r, 20, 0.010, 0.5);
    EXPECT_NEAR((20 - in.tMinC) / (in.tMaxC - in.tMinC), (20 - r.tMinC) / (r.tMaxC - r.tMinC),
                1e-12);
    EXPECT_NEAR(in.tMaxC - in.tMinC, 30, 1e-9);
    EXPECT_NEAR((0.010 - in.wMin) / (in.wMax - in.wMin), 1.0 / 3.0, 1e-9);
    const ChartRange out = zoomRange(ChartRange{-90, 0, 0, 0.01}, 0, 0, 2);
    EXPECT_EQ(out.tMinC, kMinTemperatureC);
    EXPECT_NEAR(out.tMaxC, 80, 1e-9) << "shifted, not squeezed";
    EXPECT_EQ(out.wMin, 0);
}

// Every stroke stays inside the plot, whatever the range, units and size.
TEST(ChartScene, CurvesAreClippedToThePlotAndLabelsDoNotOverlap) {
    const ChartBackgroundInputs inputs[] = {
        {1280, 800, ChartRange{}, kStandardPressureKPa, Units::si, {}},
        {1280, 800, ChartRange{}, 80.0, Units::ip, {}},
        {900, 600, zoomRange(ChartRange{}, 25, 0.01, 0.3), kStandardPressureKPa, Units::si, {}},
        {320, 200, ChartRange{40, 140, 0, 0.5}, kStandardPressureKPa, Units::si, {}},
    };
    ChartScene s;
    for (const ChartBackgroundInputs& in : inputs) {
        buildChartBackground(in, s);
        bool inks[kChartInkCount] = {};
        for (const ChartLine& l : s.lines) {
            inks[static_cast<int>(l.ink)] = true;
            for (int i = l.first; i < l.first + l.count; ++i) {
                const ChartPoint p = s.points[static_cast<std::size_t>(i)];
                ASSERT_GE(p.x, s.plot.left - 0.01f);
                ASSERT_LE(p.x, s.plot.right + 0.01f);
                ASSERT_GE(p.y, s.plot.top - 0.01f);
                ASSERT_LE(p.y, s.plot.bottom + 0.01f);
            }
        }
        for (const ChartInk ink : {ChartInk::saturation, ChartInk::relativeHumidity,
                                   ChartInk::wetBulb, ChartInk::enthalpy, ChartInk::volume}) {
            EXPECT_TRUE(inks[static_cast<int>(ink)]) << in.width << " ink " << int(ink);
        }
        LabelSpace space(in.fonts);
        for (const ChartText& t : s.texts) {
            if (t.font == ChartFont::label && t.ink != ChartInk::text && t.y > s.plot.top) {
                EXPECT_TRUE(space.place(t, s.plot)) << t.text << " overlaps or leaves the plot";
            }
        }
    }
}

TEST(ChartScene, OverlayPlacesTheStateItsTrailAndTheMarginOnTheAxis) {
    ChartScene bg, o;
    buildChartBackground({1000, 700, ChartRange{}, kStandardPressureKPa, Units::si, {}}, bg);
    std::vector<ChartFocus> trail;
    for (int i = 0; i < kTrailLength + 20; ++i) {
        trail.push_back({10.0 + i * 0.2, 0.006});
    }
    ChartOverlayInputs in;
    in.state = ChartFocus{25, 0.0099};
    in.trail = trail;
    in.dewPointC = 13.9;
    in.surfaceC = 15.0;  // 1.1 K above the dew point: at risk
    buildChartOverlay(bg, in, o);

    std::vector<ChartMarker> dots, rings, triangles;
    for (const ChartMarker& m : o.markers) {
        (m.shape == MarkerShape::dot    ? dots
         : m.shape == MarkerShape::ring ? rings
                                        : triangles)
            .push_back(m);
    }
    ASSERT_EQ(rings.size(), 1u);
    EXPECT_FLOAT_EQ(rings[0].x, bg.xOf(25));
    EXPECT_FLOAT_EQ(rings[0].y, bg.yOf(0.0099));
    ASSERT_EQ(dots.size(), static_cast<std::size_t>(kTrailLength)) << "only the latest states";
    EXPECT_FLOAT_EQ(dots.back().x, bg.xOf(trail.back().tC));
    EXPECT_LT(dots.front().alpha, dots.back().alpha) << "older states fade";
    ASSERT_EQ(o.bars.size(), 1u);
    EXPECT_EQ(o.bars[0].ink, ChartInk::marginRisk);
    EXPECT_FLOAT_EQ(o.bars[0].left, bg.xOf(13.9));
    EXPECT_FLOAT_EQ(o.bars[0].right, bg.xOf(15.0));
    EXPECT_GE(o.bars[0].top, bg.plot.bottom) << "on the strip under the axis";
}

}  // namespace
}  // namespace kr5061::psychro

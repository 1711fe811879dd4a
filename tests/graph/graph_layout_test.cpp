#include <gtest/gtest.h>

#include "graph/graph_layout.h"

namespace kr5061 {
namespace {

TEST(PlotLayout, PlotAndStripsFollowTheClientRectangle) {
    const PlotGeometry g = plotGeometry({0, 0, 1600, 900});
    EXPECT_EQ(g.x0, 294);
    EXPECT_EQ(g.y0, 118);
    EXPECT_EQ(g.x1, 1550);
    EXPECT_EQ(g.y1, 700);
    EXPECT_EQ(g.width, 1256);
    EXPECT_EQ(g.height, 582);
    EXPECT_EQ(g.valueLabelStrip, (PixelRect{226, 94, 294, 730}));
    EXPECT_EQ(g.valueLabelStrip.width(), 68);
    EXPECT_EQ(g.rightMarginStrip, (PixelRect{1550, 94, 1610, 700}));
}

TEST(PlotLayout, RightMarginCollapsesInAWindowNarrowerThan274) {
    EXPECT_EQ(plotGeometry({0, 0, 274, 600}).rightMarginStrip, (PixelRect{224, 94, 284, 400}));
    const PixelRect narrow = plotGeometry({0, 0, 273, 600}).rightMarginStrip;
    EXPECT_EQ(narrow.left, 224);
    EXPECT_EQ(narrow.width(), 0);
}

TEST(PlotLayout, GraphPictureSpansLabelsPlotAndMarginOnly) {
    EXPECT_EQ(graphPictureRect({0, 0, 1600, 900}), (PixelRect{226, 94, 1600, 730}));
    EXPECT_EQ(graphPictureRect({0, 0, 200, 100}), (PixelRect{0, 0, 200, 100})) << "too small";
}

TEST(GraphPanels, FrameBandsLieAlongTheRightMarginAndAboveThePlot) {
    const FrameBands b = frameBands(1600, 1000);
    EXPECT_EQ(b.rightMargin, (PixelRect{1548, 125, 1611, 785}));
    EXPECT_EQ(b.legend, (PixelRect{290, 125, 1590, 150}));
}

// A window centred on a screen area, kept on it where it is larger.
TEST(WindowPlace, CentredInTheAreaAndWhollyInsideWhereItFits) {
    struct Case {
        PixelRect area;
        int width, height;
        PixelRect expected;
    };
    const Case cases[] = {
        {{0, 0, 1600, 1000}, 946, 598, {327, 201, 1273, 799}},
        {{100, 40, 1380, 1064}, 946, 598, {267, 253, 1213, 851}},  // a panel takes the top
        {{0, 0, 800, 600}, 946, 598, {0, 1, 946, 599}},  // wider than the screen: from its left
    };
    for (const Case& c : cases) {
        EXPECT_EQ(centredIn(c.area, c.width, c.height), c.expected);
    }
}

TEST(GraphPanels, PanelsFillTheFrameBesideTheMeterPanel) {
    const PanelLayout p = panelLayout({0, 0, 1600, 1000});
    EXPECT_EQ(p.graphBar.rect, (PixelRect{228, 30, 1598, 125}));
    EXPECT_EQ(p.readoutBar.rect, (PixelRect{228, 830, 1598, 980}));
    EXPECT_EQ(p.meterPanel.rect, (PixelRect{0, 31, 228, 981}));
    EXPECT_EQ(p.scrollStrip.rect, (PixelRect{228, 808, 1598, 833}));
    EXPECT_TRUE(p.graphBar.apply && p.readoutBar.apply && p.meterPanel.apply &&
                p.scrollStrip.apply);
}

TEST(GraphPanels, ShortFrameLeavesReadoutBarAndScrollStripAlone) {
    struct Case {
        int bottom;
        bool readout, scroll;
    };
    // Readout bar needs t + 142 < b - 120, the scroll strip t + 142 < b - 142.
    for (const Case c : {Case{262, false, false}, Case{263, true, false}, Case{284, true, false},
                         Case{285, true, true}}) {
        SCOPED_TRACE(c.bottom);
        const PanelLayout p = panelLayout({0, 0, 800, c.bottom});
        EXPECT_EQ(p.readoutBar.apply, c.readout);
        EXPECT_EQ(p.scrollStrip.apply, c.scroll);
        EXPECT_TRUE(p.graphBar.apply && p.meterPanel.apply);
    }
    // The conditions are relative to the frame's top.
    EXPECT_FALSE(panelLayout({0, 40, 800, 302}).readoutBar.apply);
    EXPECT_TRUE(panelLayout({0, 40, 800, 303}).readoutBar.apply);
}

}  // namespace
}  // namespace kr5061

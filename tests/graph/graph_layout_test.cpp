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

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/channels.h"
#include "panels/graph_bar_layout.h"

namespace kr5061 {
namespace {

const GraphBarControl& control(int id) {
    for (const GraphBarControl& c : graphBarControls()) {
        if (c.id == id) {
            return c;
        }
    }
    throw std::out_of_range("no such control");
}

TEST(GraphBarLayout, TemplateControlsInPixelsWithTheirTextsFontsAndActions) {
    std::set<int> ids;
    for (const GraphBarControl& c : graphBarControls()) {
        EXPECT_TRUE(ids.insert(c.id).second) << c.id;
        EXPECT_LE(c.rect.right, kGraphBarWidth) << c.id;
        EXPECT_LE(c.rect.bottom, kGraphBarHeight) << c.id;
    }
    // Rectangles from the template's dialog units, two pixels each.
    EXPECT_EQ(control(1027).rect, rectAt(510, 18, 196, 36));  // the clock
    EXPECT_EQ(control(1015).rect, rectAt(640, 64, 66, 24));   // data number
    EXPECT_EQ(control(1048).rect, rectAt(234, 26, 64, 28));   // Y Axis
    EXPECT_EQ(std::string(control(1032).text), "voltage stage");
    EXPECT_EQ(control(1043).font, GraphBarFont::Template);
    EXPECT_EQ(control(1027).font, GraphBarFont::Clock);
    EXPECT_EQ(control(1026).font, GraphBarFont::Field);
    EXPECT_EQ(control(1049).action, kSurface);  // "IR/K"
    EXPECT_EQ(control(1047).action, kShowAllTraces);
    EXPECT_EQ(control(1048).action, kAxisSetup);
}

}  // namespace
}  // namespace kr5061

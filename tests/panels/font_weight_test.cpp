#include <gtest/gtest.h>

#include <vector>

#include "panels/font_weight.h"

namespace kr5061 {
namespace {

TEST(FontWeight, WeightsGoToTheNearestFaceTheFamilyHas) {
    const std::vector<int> regularBold = {700, 400};
    const std::vector<int> many = {100, 200, 300, 400, 500, 600, 700, 800, 900};
    const std::vector<int> none;
    const struct {
        const std::vector<int>* faces;
        int wanted, shown;
    } cases[] = {
        {&regularBold, 100, 400}, {&regularBold, 400, 400}, {&regularBold, 500, 400},
        {&regularBold, 550, 700}, {&regularBold, 600, 700}, {&regularBold, 900, 700},
        {&many, 100, 100},        {&many, 450, 400},        {&many, 550, 600},
        {&none, 100, 100},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(nearestFaceWeight(*c.faces, c.wanted), c.shown) << c.wanted;
    }
}

}  // namespace
}  // namespace kr5061

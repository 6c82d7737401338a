// The centring rule as arithmetic: centre over a rectangle, then keep inside the area.
#include "wingui/CenterRule.h"

#include <gtest/gtest.h>

namespace {

TEST(CenterRule, CentresOverTheRectangleThenPullsBackInsideTheAreaLowEdgeWinning) {
    const CenterBox screen = {0, 0, 1280, 994}, small = {10, 20, 810, 620}, left = {-1921, 0, 0, 1080};
    const struct {
        const char* what;
        CenterBox centre, area;
        int32_t width, height, x, y;
    } cases[] = {
        {"over a rectangle, halves truncated", {100, 100, 501, 301}, screen, 101, 51, 250, 175},
        {"truncated toward zero left of the primary monitor", left, left, 101, 100, -1010, 490},
        {"hanging over the right and bottom edges", {1100, 900, 1400, 1100}, screen, 400, 300, 880, 694},
        {"larger than the area", small, small, 1000, 900, 10, 20},
        {"wider only", small, small, 1000, 200, 10, 220},
    };
    for (const auto& c : cases) {
        const CenterPoint p = CenterWithin(c.centre, c.area, c.width, c.height);
        EXPECT_EQ(p.x, c.x) << c.what;
        EXPECT_EQ(p.y, c.y) << c.what;
    }
}

} // namespace

// The centring rule as arithmetic: centre over a rectangle, then keep inside the area.
#include "wingui/CenterRule.h"

#include <gtest/gtest.h>

namespace {

const CenterBox kWorkArea = {0, 0, 1280, 994}; // a 1280 x 1024 screen less a 30-pixel taskbar

TEST(CenterRule, CentresOverTheAreaWhenTheAreaIsTheCentre) {
    CenterPoint p = CenterWithin(kWorkArea, kWorkArea, 600, 400);
    EXPECT_EQ(p.x, 340);
    EXPECT_EQ(p.y, 297);
}

TEST(CenterRule, CentresOverAReferenceInsideTheArea) {
    CenterPoint p = CenterWithin({100, 100, 501, 301}, kWorkArea, 101, 51);
    // Midpoints 300 and 200, less 50 and 25 (halves truncated).
    EXPECT_EQ(p.x, 250);
    EXPECT_EQ(p.y, 175);
}

TEST(CenterRule, DivisionsTruncateTowardZeroOnNegativeCoordinates) {
    // A monitor left of the primary one: -1921 / 2 is -960, not -961.
    CenterBox left = {-1921, 0, 0, 1080};
    CenterPoint p = CenterWithin(left, left, 101, 100);
    EXPECT_EQ(p.x, -960 - 50);
    EXPECT_EQ(p.y, 490);
}

TEST(CenterRule, PulledBackWhenTheReferenceHangsOverAnEdge) {
    // Reference near the bottom-right corner: the window would stick out right and below.
    CenterPoint p = CenterWithin({1100, 900, 1400, 1100}, kWorkArea, 400, 300);
    EXPECT_EQ(p.x, 1280 - 400);
    EXPECT_EQ(p.y, 994 - 300);
    // Reference near the top-left corner: pulled right and down to the area's edges.
    p = CenterWithin({-200, -100, 100, 100}, kWorkArea, 400, 300);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
}

TEST(CenterRule, WindowLargerThanTheAreaKeepsItsLeftAndTopEdgesOnTheArea) {
    CenterBox area = {10, 20, 810, 620};
    CenterPoint p = CenterWithin(area, area, 1000, 900);
    EXPECT_EQ(p.x, 10);
    EXPECT_EQ(p.y, 20);
    // Wider only: the height is still centred.
    p = CenterWithin(area, area, 1000, 200);
    EXPECT_EQ(p.x, 10);
    EXPECT_EQ(p.y, 220);
}

TEST(CenterRule, AxesAreIndependent) {
    CenterPoint p = CenterWithin({1200, 400, 1400, 600}, kWorkArea, 300, 100);
    EXPECT_EQ(p.x, 980); // clamped to the right edge
    EXPECT_EQ(p.y, 450); // centred
}

} // namespace

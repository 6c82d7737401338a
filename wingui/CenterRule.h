// Where a window of a given size goes when it is centred over a rectangle and kept inside an area.
// Pure arithmetic, shared by the Windows centring call and its native tests.
#pragma once

#include <cstdint>

struct CenterBox {
    int32_t left, top, right, bottom;
};

struct CenterPoint {
    int32_t x, y;
};

// Centres a window of `width` x `height` over `centre`, then pulls it back inside `area`: first so that
// its right (bottom) edge is inside, then so that its left (top) edge is, which wins for a window
// larger than the area.
CenterPoint CenterWithin(const CenterBox& centre, const CenterBox& area, int32_t width, int32_t height);

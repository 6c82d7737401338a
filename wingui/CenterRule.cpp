#include "wingui/CenterRule.h"

namespace {

// One axis: the midpoint of [low, high] less half the extent (both divisions truncate toward zero),
// then clamped to [areaLow, areaHigh] with the low edge winning.
int32_t CenterAxis(int32_t low, int32_t high, int32_t areaLow, int32_t areaHigh, int32_t extent) {
    int32_t position = (low + high) / 2 - extent / 2;
    if (position + extent > areaHigh)
        position = areaHigh - extent;
    if (position < areaLow)
        position = areaLow;
    return position;
}

} // namespace

CenterPoint CenterWithin(const CenterBox& centre, const CenterBox& area, int32_t width, int32_t height) {
    return {CenterAxis(centre.left, centre.right, area.left, area.right, width),
            CenterAxis(centre.top, centre.bottom, area.top, area.bottom, height)};
}

// The GDI drawer on a memory DC with a 32-bit DIB section, every pixel readable.
#include "markup/WinDrawer_win.h"
#include "tests/markup_win/WinUiTestUtil.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using NSMyWTLWrapper::CWinDrawer;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

// A white memory device context with a drawer on it, whose pixels can be read.
struct Canvas {
    Canvas(int width, int height, HFONT font = nullptr)
        : w(width), h(height), dc(::CreateCompatibleDC(nullptr)) {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        old = ::SelectObject(
            dc, ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0));
        ::SelectObject(dc, font ? font : ::GetStockObject(SYSTEM_FONT));
        std::fill(bits, bits + w * h, 0xFFFFFF);
        drawer.AttachDC(dc);
    }
    ~Canvas() {
        ::DeleteObject(::SelectObject(dc, old));
        ::DeleteDC(dc);
    }
    // "n in left,top,right,bottom": how many pixels are not white, and where.
    std::string Ink() const {
        int n = 0, l = w, t = h, r = -1, b = -1;
        ::GdiFlush();
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if ((bits[y * w + x] & 0xFFFFFF) != 0xFFFFFF)
                    ++n, l = std::min(l, x), t = std::min(t, y), r = std::max(r, x), b = std::max(b, y);
        return std::to_string(n) + " in " + std::to_string(l) + "," + std::to_string(t) + "," +
               std::to_string(r) + "," + std::to_string(b);
    }

    int w, h;
    HDC dc;
    HGDIOBJ old;
    uint32_t* bits = nullptr;
    CWinDrawer drawer;
};

} // namespace

// Shapes and opaque text cover exactly their inclusive rectangles; a free line leaves out its end
// point, as GDI does; black and white solid pens are the one-pixel stock pens, whatever the width.
TEST(WinDrawer, ShapesCoverTheirPixels) {
    HFONT font = PlainFont(20);
    auto box = [](int32_t l, int32_t t, int32_t r, int32_t b) { return DrawRect{l, t, r, b}; };
    const std::pair<std::function<void(CWinDrawer&)>, std::string> cases[] = {
        {[&](CWinDrawer& d) { d.FillRectangle(box(0, 0, 9, 9), RGB(255, 0, 0)); }, "100 in 0,0,9,9"},
        {[](CWinDrawer& d) { d.HorizontalLine(5, 3, 2); }, "4 in 2,3,5,3"},
        {[](CWinDrawer& d) { d.VerticalLine(8, 7, 4); }, "4 in 8,4,8,7"},
        {[](CWinDrawer& d) { d.RectangleOutline(2, 2, 6, 5); }, "14 in 2,2,6,5"},
        {[](CWinDrawer& d) { d.Line(2, 2, 7, 7); }, "5 in 2,2,6,6"},
        {[&](CWinDrawer& d) { d.TextOutput(2, 2, box(2, 2, 5, 5), CMyASCIIString()); }, "16 in 2,2,5,5"},
        {[&](CWinDrawer& d) { d.TextOutput(5, 5, box(5, 5, 14, 14), TestText("WW")); }, "100 in 5,5,14,14"}};
    for (const auto& [draw, ink] : cases) {
        Canvas canvas(30, 30, font);
        EXPECT_EQ(nullptr, canvas.drawer.SelectPen(PS_SOLID, 3, 0));
        EXPECT_EQ(kWhite, canvas.drawer.SetBackgroundColor(RGB(0, 0, 255), nullptr));
        draw(canvas.drawer);
        EXPECT_EQ(ink, canvas.Ink());
    }
    Canvas probe(1, 1, font); // non-ASCII text measured as UTF-16, whole past the drawer's stack buffer
    std::string bytes;
    for (int i = 0; i < 1500; ++i)
        bytes += "\xC3\xA9";
    SIZE size;
    ::GetTextExtentPoint32W(probe.dc, std::wstring(1500, L'\u00E9').c_str(), 1500, &size);
    EXPECT_EQ(size.cx, probe.drawer.TextExtent(TestText(bytes)).width);
    ::DeleteObject(font);
}

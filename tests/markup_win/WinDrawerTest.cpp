// The GDI drawer on a memory device context with a 32-bit DIB section, so that every pixel it draws
// can be read back.
#include "markup/WinDrawer_win.h"
#include "tests/markup/MarkupTestUtil.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using NSMyWTLWrapper::CWinDrawer;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = 0, kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255);

// A white memory device context with a drawer on it, whose pixels can be read.
class Canvas {
public:
    Canvas(int width, int height, HFONT font = nullptr) : m_width(width), m_height(height) {
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        m_dc = ::CreateCompatibleDC(nullptr);
        m_bitmap =
            ::CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0);
        m_old = ::SelectObject(m_dc, m_bitmap);
        ::SelectObject(m_dc, font ? font : ::GetStockObject(SYSTEM_FONT));
        std::fill(m_bits, m_bits + width * height, 0xFFFFFF);
        drawer.AttachDC(m_dc);
    }
    ~Canvas() {
        ::DeleteObject(::SelectObject(m_dc, m_old));
        ::DeleteDC(m_dc);
    }
    HDC Dc() const { return m_dc; }
    COLORREF At(int x, int y) const {
        ::GdiFlush();
        const uint32_t p = m_bits[y * m_width + x];
        return RGB(p >> 16, (p >> 8) & 0xFF, p & 0xFF);
    }
    // "n in left,top,right,bottom": how many pixels are not white, and where.
    std::string Ink() const {
        int n = 0, l = m_width, t = m_height, r = -1, b = -1;
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                if (At(x, y) != kWhite)
                    ++n, l = std::min(l, x), t = std::min(t, y), r = std::max(r, x), b = std::max(b, y);
        return std::to_string(n) + " in " + std::to_string(l) + "," + std::to_string(t) + "," +
               std::to_string(r) + "," + std::to_string(b);
    }
    bool operator==(const Canvas& o) const {
        ::GdiFlush();
        return std::equal(m_bits, m_bits + m_width * m_height, o.m_bits);
    }

    CWinDrawer drawer;

private:
    int m_width, m_height;
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
    uint32_t* m_bits = nullptr;
};

HFONT Arial(int height) {
    return ::CreateFontA(-height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY,
                         0, "Arial");
}

} // namespace

// Shapes and opaque text cover exactly their inclusive rectangles; a free line leaves out its end
// point and a circle its right and bottom edge, as GDI does; black and white solid pens are the
// one-pixel stock pens, whatever the width.
TEST(WinDrawer, ShapesCoverTheirPixels) {
    HFONT font = Arial(20);
    const std::pair<std::function<void(CWinDrawer&)>, std::string> cases[] = {
        {[](CWinDrawer& d) {
             d.FillRectangle({0, 0, 9, 9}, kRed);
         },
         "100 in 0,0,9,9"},
        {[](CWinDrawer& d) { d.HorizontalLine(5, 3, 2); }, "4 in 2,3,5,3"},
        {[](CWinDrawer& d) { d.HorizontalLine(2, 10, 12); }, "11 in 2,10,12,10"},
        {[](CWinDrawer& d) { d.VerticalLine(8, 7, 4); }, "4 in 8,4,8,7"},
        {[](CWinDrawer& d) { d.RectangleOutline(2, 2, 6, 5); }, "14 in 2,2,6,5"},
        {[](CWinDrawer& d) { d.Line(2, 2, 7, 7); }, "5 in 2,2,6,6"},
        {[](CWinDrawer& d) {
             d.TextOutput(2, 2, {2, 2, 5, 5}, CMyASCIIString());
         },
         "16 in 2,2,5,5"},
        {[](CWinDrawer& d) {
             d.TextOutput(5, 5, {5, 5, 14, 14}, TestText("WW"));
         },
         "100 in 5,5,14,14"}};
    for (const auto& [draw, ink] : cases) {
        Canvas canvas(30, 30, font);
        EXPECT_EQ(nullptr, canvas.drawer.SelectPen(PS_SOLID, 3, kBlack));
        canvas.drawer.SetBackgroundColor(kBlue, nullptr);
        draw(canvas.drawer);
        EXPECT_EQ(ink, canvas.Ink());
    }
    Canvas canvas(30, 30);
    ::SelectObject(canvas.Dc(), ::GetStockObject(NULL_BRUSH));
    DrawPen* red = canvas.drawer.SelectPen(PS_DASH, 1, kRed); // made, and deleted when released
    canvas.drawer.Circle({15, 15}, 6);
    EXPECT_NE(std::string::npos, canvas.Ink().find(" in 9,9,20,20"));
    HGDIOBJ made = ::GetCurrentObject(canvas.Dc(), OBJ_PEN);
    canvas.drawer.ReleasePen(red);
    EXPECT_EQ(0u, ::GetObjectType(made));
    ::DeleteObject(font);
}

// The previous colour is returned and stored; alignment modes survive the shared TA_CENTER bit.
TEST(WinDrawer, ColoursAlignmentAndObjects) {
    Canvas canvas(10, 10);
    CWinDrawer& d = canvas.drawer;
    ColorValue previous = 0;
    EXPECT_EQ(kWhite, d.SetBackgroundColor(kBlue, &previous));
    EXPECT_EQ(kWhite, previous);
    EXPECT_EQ(kBlue, ::GetBkColor(canvas.Dc()));
    EXPECT_EQ(kBlack, d.SetTextColor(kRed, nullptr));
    EXPECT_EQ(kRed, d.SetTextColor(kBlack, &previous));
    for (int mode : {1, 2, 0, 2, 1})
        EXPECT_EQ(mode, (d.SetTextAlignment(mode), d.GetTextAlignment()));
    EXPECT_EQ(UINT(TA_CENTER), ::GetTextAlign(canvas.Dc()));
    HGDIOBJ original = ::GetCurrentObject(canvas.Dc(), OBJ_BRUSH);
    EXPECT_EQ(original, d.SelectObject(::GetStockObject(GRAY_BRUSH)));
    EXPECT_EQ(::GetStockObject(GRAY_BRUSH), d.SelectObject(original));
}

// Non-ASCII text goes to the wide calls as UTF-16, measured and drawn whole however long, exactly
// as ExtTextOutW draws it; ASCII text goes to the narrow calls, also whole.
TEST(WinDrawer, TextIsMeasuredAndDrawnWhole) {
    std::string longBytes;
    std::wstring longUnits;
    for (int i = 0; i < 1500; ++i) { // longer than the drawer's stack buffer
        longBytes += i % 3 ? "\xC3\xA9" : "x";
        longUnits += i % 3 ? L'\u00E9' : L'x';
    }
    HFONT font = Arial(8);
    const std::pair<std::string, std::wstring> cases[] = {{"\xC3\xA9", L"\u00E9"}, {longBytes, longUnits}};
    for (const auto& [bytes, units] : cases) {
        SIZE size;
        ::GetTextExtentPoint32W(Canvas(1, 1, font).Dc(), units.c_str(), int(units.size()), &size);
        Canvas drawn(size.cx + 10, size.cy, font), direct(size.cx + 10, size.cy, font);
        const TestText text(bytes);
        const DrawSize measured = drawn.drawer.TextExtent(text);
        EXPECT_EQ(size.cx, measured.width);
        EXPECT_EQ(size.cy, measured.height);
        drawn.drawer.TextOutput(0, 0, {0, 0, size.cx + 9, size.cy - 1}, text);
        RECT clip = {0, 0, size.cx + 10, size.cy};
        ::ExtTextOutW(direct.Dc(), 0, 0, ETO_OPAQUE | ETO_CLIPPED, &clip, units.c_str(), UINT(units.size()),
                      nullptr);
        EXPECT_TRUE(drawn == direct);
        EXPECT_NE('0', drawn.Ink()[0]) << "something was drawn";
    }
    SIZE narrow;
    Canvas canvas(1, 1, font);
    ::GetTextExtentPoint32A(canvas.Dc(), std::string(1500, 'x').c_str(), 1500, &narrow);
    EXPECT_EQ(narrow.cx, canvas.drawer.TextExtent(TestText(std::string(1500, 'x'))).width);
    ::DeleteObject(font);
}

// A 2 x 2 bitmap file image, bottom-up rows: red, white / white, red. Stretched with white
// see-through or copied whole; a bitmap is copied from its source point and stays the caller's.
TEST(WinDrawer, BitmapsAreStretchedOrCopied) {
    const unsigned char image[70] = {
        'B', 'M', 70, 0, 0,  0, 0, 0, 0,   0,   54,  0,   0, 0, 40,  0,   0,   0, 2, 0,   0, 0, 2, 0,
        0,   0,   1,  0, 24, 0, 0, 0, 0,   0,   0,   0,   0, 0, 0,   0,   0,   0, 0, 0,   0, 0, 0, 0,
        0,   0,   0,  0, 0,  0, 0, 0, 255, 255, 255, 255, 0, 0, 255, 255, 255, 0, 0, 255, 0, 0};
    Canvas canvas(20, 20), source(6, 6);
    EXPECT_EQ(2, canvas.drawer.BitmapImageSize(image).height);
    canvas.drawer.FillRectangle({0, 0, 19, 19}, kBlue);
    EXPECT_TRUE(canvas.drawer.DrawBitmapImage(image, 4, 4, 8, 8, {0, 0}, true));
    EXPECT_EQ("400 in 0,0,19,19", canvas.Ink()); // no white drawn
    EXPECT_EQ(kRed, canvas.At(11, 4));           // the top row, stored last
    EXPECT_EQ(kBlue, canvas.At(4, 4));
    Canvas opaque(20, 20);
    EXPECT_TRUE(opaque.drawer.DrawBitmapImage(image, 4, 4, 2, 2, {0, 0}, false));
    EXPECT_EQ("2 in 4,4,5,5", opaque.Ink());

    HBITMAP bitmap = ::CreateCompatibleBitmap(canvas.Dc(), 6, 6);
    HGDIOBJ old = ::SelectObject(source.Dc(), bitmap);
    source.drawer.FillRectangle({0, 0, 5, 5}, kWhite);
    source.drawer.FillRectangle({3, 3, 5, 5}, kBlue);
    ::SelectObject(source.Dc(), old);
    EXPECT_TRUE(opaque.drawer.DrawBitmap(bitmap, 10, 10, 3, 3, {3, 3}));
    EXPECT_EQ("11 in 4,4,12,12", opaque.Ink());
    EXPECT_EQ(kBlue, opaque.At(12, 12));
    EXPECT_TRUE(::DeleteObject(bitmap)) << "not left selected in the drawer's memory context";
}

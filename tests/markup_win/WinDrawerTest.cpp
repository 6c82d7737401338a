// The GDI drawer on a memory device context with a 32-bit DIB section, so that every pixel it draws
// can be read back.
#include "markup/WinDrawer_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using NSMyWTLWrapper::CWinDrawer;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlackColour = RGB(0, 0, 0);

// A memory device context drawing into pixels we can read.
class Canvas {
public:
    Canvas(int width, int height) : m_width(width), m_height(height) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height; // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        m_dc = ::CreateCompatibleDC(nullptr);
        m_bitmap =
            ::CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0);
        m_old = ::SelectObject(m_dc, m_bitmap);
        Clear(kWhite);
    }
    ~Canvas() {
        ::SelectObject(m_dc, m_old);
        ::DeleteObject(m_bitmap);
        ::DeleteDC(m_dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return m_dc; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    void Clear(COLORREF colour) {
        ::GdiFlush();
        for (int i = 0; i < m_width * m_height; ++i)
            m_bits[i] = ToPixel(colour);
    }
    COLORREF At(int x, int y) const {
        ::GdiFlush();
        uint32_t p = m_bits[y * m_width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    int Count(COLORREF colour) const {
        int n = 0;
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                n += At(x, y) == colour;
        return n;
    }
    // The smallest rectangle (inclusive) holding every pixel that is not `background`; left > right
    // when there is none.
    RECT Ink(COLORREF background) const {
        RECT r = {m_width, m_height, -1, -1};
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                if (At(x, y) != background) {
                    r.left = std::min<LONG>(r.left, x);
                    r.top = std::min<LONG>(r.top, y);
                    r.right = std::max<LONG>(r.right, x);
                    r.bottom = std::max<LONG>(r.bottom, y);
                }
        return r;
    }
    bool SamePixels(const Canvas& other) const {
        ::GdiFlush();
        return m_width == other.m_width && m_height == other.m_height &&
               std::equal(m_bits, m_bits + m_width * m_height, other.m_bits);
    }

private:
    static uint32_t ToPixel(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

    int m_width, m_height;
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
    uint32_t* m_bits = nullptr;
};

// A string with room reserved and the flag set from its bytes, as the parser makes them.
void SetUtf8(CMyASCIIString& s, const std::string& bytes) {
    s.Reserve(uint32_t(bytes.size() + 1));
    for (char c : bytes)
        s.AppendCodes(int(static_cast<unsigned char>(c)));
    s.UpdateAsciiFlag();
}

HFONT TrueTypeFont(int height) {
    return ::CreateFontA(-height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY,
                         0, "Arial");
}

// Draws a text both through the drawer and straight through ExtTextOutW, black on white.
struct TextPair {
    TextPair(int width, int height) : drawer(width, height), direct(width, height) {}
    Canvas drawer;
    Canvas direct;
};

void PrepareText(HDC dc, HFONT font) {
    ::SelectObject(dc, font);
    ::SetTextColor(dc, kBlackColour);
    ::SetBkColor(dc, kWhite);
}

} // namespace

TEST(WinDrawerShapes, FillOfZeroToNineColoursExactlyTenByTenPixels) {
    Canvas canvas(40, 40);
    CWinDrawer drawer;
    drawer.AttachDC(canvas.Dc());
    EXPECT_NE(0, drawer.FillRectangle({0, 0, 9, 9}, RGB(255, 0, 0)));
    EXPECT_EQ(100, canvas.Count(RGB(255, 0, 0)));
    RECT ink = canvas.Ink(kWhite);
    EXPECT_EQ(0, ink.left);
    EXPECT_EQ(0, ink.top);
    EXPECT_EQ(9, ink.right);
    EXPECT_EQ(9, ink.bottom);
}

TEST(WinDrawerShapes, LinesDrawBothEndPointsInEitherDirection) {
    Canvas canvas(20, 20);
    CWinDrawer drawer;
    drawer.AttachDC(canvas.Dc());
    drawer.SelectPen(PS_SOLID, 1, kBlackColour);

    drawer.HorizontalLine(5, 3, 2);
    for (int x = 2; x <= 5; ++x)
        EXPECT_EQ(kBlackColour, canvas.At(x, 3)) << "x " << x;
    EXPECT_EQ(kWhite, canvas.At(1, 3));
    EXPECT_EQ(kWhite, canvas.At(6, 3));
    EXPECT_EQ(4, canvas.Count(kBlackColour));

    canvas.Clear(kWhite);
    drawer.HorizontalLine(2, 3, 5);
    EXPECT_EQ(4, canvas.Count(kBlackColour));
    EXPECT_EQ(kBlackColour, canvas.At(5, 3));

    canvas.Clear(kWhite);
    drawer.VerticalLine(8, 7, 4);
    for (int y = 4; y <= 7; ++y)
        EXPECT_EQ(kBlackColour, canvas.At(8, y)) << "y " << y;
    EXPECT_EQ(4, canvas.Count(kBlackColour));

    canvas.Clear(kWhite);
    drawer.RectangleOutline(2, 2, 6, 5);
    EXPECT_EQ(14, canvas.Count(kBlackColour)); // the whole border of a 5 x 4 rectangle, corners included
    EXPECT_EQ(kBlackColour, canvas.At(6, 5));
    EXPECT_EQ(kWhite, canvas.At(4, 3));
}

TEST(WinDrawerShapes, FreeLinesLeaveOutTheirEndPointAndCirclesSpanTwiceTheRadius) {
    Canvas canvas(30, 30);
    CWinDrawer drawer;
    drawer.AttachDC(canvas.Dc());
    drawer.SelectPen(PS_SOLID, 1, kBlackColour);
    EXPECT_TRUE(drawer.Line(2, 2, 7, 7));
    EXPECT_EQ(5, canvas.Count(kBlackColour)); // GDI's own rule: (7, 7) is not drawn
    EXPECT_EQ(kWhite, canvas.At(7, 7));

    canvas.Clear(kWhite);
    ::SelectObject(canvas.Dc(), ::GetStockObject(NULL_BRUSH));
    EXPECT_TRUE(drawer.Circle({15, 15}, 6));
    RECT ink = canvas.Ink(kWhite);
    EXPECT_EQ(9, ink.left);
    EXPECT_EQ(9, ink.top);
    EXPECT_EQ(20, ink.right); // Ellipse leaves out the right and bottom edges of its rectangle
    EXPECT_EQ(20, ink.bottom);
    EXPECT_EQ(kWhite, canvas.At(15, 15));
}

TEST(WinDrawerPens, SolidBlackAndWhiteSelectTheStockPensAndIgnoreTheWidth) {
    Canvas canvas(20, 20);
    CWinDrawer drawer;
    drawer.AttachDC(canvas.Dc());

    EXPECT_EQ(nullptr, drawer.SelectPen(PS_SOLID, 3, kBlackColour));
    EXPECT_EQ(::GetStockObject(BLACK_PEN), ::GetCurrentObject(canvas.Dc(), OBJ_PEN));
    drawer.HorizontalLine(2, 10, 12);
    EXPECT_EQ(11, canvas.Count(kBlackColour)); // one pixel high
    EXPECT_EQ(kWhite, canvas.At(7, 9));
    EXPECT_EQ(kWhite, canvas.At(7, 11));

    // An unknown style means solid.
    EXPECT_EQ(nullptr, drawer.SelectPen(7, 5, kWhite));
    EXPECT_EQ(::GetStockObject(WHITE_PEN), ::GetCurrentObject(canvas.Dc(), OBJ_PEN));
}

TEST(WinDrawerPens, OtherPensAreCreatedAndGivenBackByTheCaller) {
    Canvas canvas(20, 20);
    CWinDrawer drawer;
    drawer.AttachDC(canvas.Dc());

    DrawPen* red = drawer.SelectPen(PS_SOLID, 3, RGB(255, 0, 0));
    ASSERT_NE(nullptr, red);
    HGDIOBJ pen = ::GetCurrentObject(canvas.Dc(), OBJ_PEN);
    LOGPEN description = {};
    ASSERT_EQ(int(sizeof description), ::GetObjectA(pen, sizeof description, &description));
    EXPECT_EQ(3, description.lopnWidth.x);
    EXPECT_EQ(RGB(255, 0, 0), description.lopnColor);
    drawer.ReleasePen(red);
    EXPECT_EQ(0u, ::GetObjectType(pen)) << "the pen is deleted";

    // A dashed black pen is not the stock pen.
    DrawPen* dashed = drawer.SelectPen(PS_DASH, 1, kBlackColour);
    ASSERT_NE(nullptr, dashed);
    EXPECT_NE(::GetStockObject(BLACK_PEN), ::GetCurrentObject(canvas.Dc(), OBJ_PEN));
    ::GetObjectA(::GetCurrentObject(canvas.Dc(), OBJ_PEN), sizeof description, &description);
    EXPECT_EQ(UINT(PS_DASH), description.lopnStyle);
    drawer.ReleasePen(dashed);
    drawer.ReleasePen(nullptr);
}

TEST(WinDrawerText, AlignmentRoundTrips) {
    Canvas canvas(10, 10);
    CWinDrawer drawer;
    drawer.AttachDC(canvas.Dc());
    for (int mode : {1, 2, 0, 2, 1}) {
        drawer.SetTextAlignment(mode);
        EXPECT_EQ(mode, drawer.GetTextAlignment()) << "mode " << mode;
    }
    drawer.SetTextAlignment(1);
    EXPECT_EQ(UINT(TA_CENTER), ::GetTextAlign(canvas.Dc()));
    drawer.SetTextAlignment(5);
    EXPECT_EQ(0, drawer.GetTextAlignment());
    EXPECT_EQ(UINT(TA_LEFT | TA_TOP), ::GetTextAlign(canvas.Dc()));
}

TEST(WinDrawerText, OutputIsOpaqueAndClippedToTheInclusiveRectangle) {
    Canvas canvas(40, 40);
    HFONT font = TrueTypeFont(20);
    PrepareText(canvas.Dc(), font);
    CWinDrawer drawer;
    drawer.AttachDC(canvas.Dc());
    drawer.SetBackgroundColor(RGB(0, 255, 0), nullptr);
    CMyASCIIString text;
    SetUtf8(text, "WWWW");
    drawer.TextOutput(5, 5, {5, 5, 14, 14}, text);
    RECT ink = canvas.Ink(kWhite);
    EXPECT_EQ(5, ink.left);
    EXPECT_EQ(5, ink.top);
    EXPECT_EQ(14, ink.right);
    EXPECT_EQ(14, ink.bottom);
    EXPECT_EQ(100, canvas.Count(RGB(0, 255, 0)) + canvas.Count(kBlackColour));
    EXPECT_EQ(40 * 40 - 100, canvas.Count(kWhite));
    EXPECT_GT(canvas.Count(kBlackColour), 0) << "glyphs drawn";
    ::DeleteObject(font);
}

TEST(WinDrawerText, ColourSettersReturnAndStoreThePreviousColour) {
    Canvas canvas(10, 10);
    CWinDrawer drawer;
    drawer.AttachDC(canvas.Dc());
    ::SetBkColor(canvas.Dc(), RGB(1, 2, 3));
    ::SetTextColor(canvas.Dc(), RGB(4, 5, 6));
    ColorValue previous = 0;
    EXPECT_EQ(RGB(1, 2, 3), drawer.SetBackgroundColor(RGB(7, 8, 9), &previous));
    EXPECT_EQ(RGB(1, 2, 3), previous);
    EXPECT_EQ(RGB(7, 8, 9), ::GetBkColor(canvas.Dc()));
    EXPECT_EQ(RGB(4, 5, 6), drawer.SetTextColor(RGB(10, 11, 12), &previous));
    EXPECT_EQ(RGB(4, 5, 6), previous);
    EXPECT_EQ(RGB(10, 11, 12), drawer.SetTextColor(RGB(0, 0, 0), nullptr));
}

TEST(WinDrawerText, AccentedLetterIsOneUtf16CharacterMeasuredAsDrawn) {
    HFONT font = TrueTypeFont(24);
    TextPair pair(80, 40);
    PrepareText(pair.drawer.Dc(), font);
    PrepareText(pair.direct.Dc(), font);
    CWinDrawer drawer;
    drawer.AttachDC(pair.drawer.Dc());

    CMyASCIIString accented;
    SetUtf8(accented, "\xC3\xA9"); // e with acute accent
    ASSERT_FALSE(accented.IsAscii());
    DrawSize size = drawer.TextExtent(accented);

    SIZE wide, narrow;
    ::GetTextExtentPoint32W(pair.direct.Dc(), L"\u00E9", 1, &wide);
    ::GetTextExtentPoint32A(pair.direct.Dc(), "\xC3\xA9", 2, &narrow);
    EXPECT_EQ(wide.cx, size.width);
    EXPECT_EQ(wide.cy, size.height);
    EXPECT_NE(narrow.cx, size.width) << "not measured as two narrow characters";

    drawer.TextOutput(0, 0, {0, 0, 79, 39}, accented);
    RECT clip = {0, 0, 80, 40};
    ::ExtTextOutW(pair.direct.Dc(), 0, 0, ETO_OPAQUE | ETO_CLIPPED, &clip, L"\u00E9", 1, nullptr);
    EXPECT_TRUE(pair.drawer.SamePixels(pair.direct));
    RECT ink = pair.drawer.Ink(kWhite);
    ASSERT_LE(ink.left, ink.right) << "something was drawn";
    EXPECT_LT(ink.right, size.width) << "the drawn glyph lies inside the measured width";
    ::DeleteObject(font);
}

TEST(WinDrawerText, TextsLongerThanTheStackBufferAreMeasuredAndDrawnWhole) {
    HFONT font = TrueTypeFont(8);
    std::string bytes;
    std::wstring units;
    for (int i = 0; i < 1500; ++i) {
        bytes += i % 3 ? "\xC3\xA9" : "x";
        units += i % 3 ? L'\u00E9' : L'x';
    }
    CMyASCIIString text;
    SetUtf8(text, bytes);
    ASSERT_FALSE(text.IsAscii());

    SIZE expected;
    {
        Canvas probe(1, 1);
        PrepareText(probe.Dc(), font);
        ::GetTextExtentPoint32W(probe.Dc(), units.c_str(), int(units.size()), &expected);
    }
    TextPair pair(expected.cx + 10, expected.cy);
    PrepareText(pair.drawer.Dc(), font);
    PrepareText(pair.direct.Dc(), font);
    CWinDrawer drawer;
    drawer.AttachDC(pair.drawer.Dc());
    DrawSize size = drawer.TextExtent(text);
    EXPECT_EQ(expected.cx, size.width);

    drawer.TextOutput(0, 0, {0, 0, pair.drawer.Width() - 1, pair.drawer.Height() - 1}, text);
    RECT clip = {0, 0, pair.direct.Width(), pair.direct.Height()};
    ::ExtTextOutW(pair.direct.Dc(), 0, 0, ETO_OPAQUE | ETO_CLIPPED, &clip, units.c_str(), UINT(units.size()),
                  nullptr);
    EXPECT_TRUE(pair.drawer.SamePixels(pair.direct));
    EXPECT_GT(pair.drawer.Ink(kWhite).right, expected.cx * 9 / 10) << "the end of the run is drawn";

    // The narrow path has no buffer of its own and measures long texts whole as well.
    CMyASCIIString ascii;
    SetUtf8(ascii, std::string(1500, 'x'));
    SIZE narrow;
    ::GetTextExtentPoint32A(pair.direct.Dc(), std::string(1500, 'x').c_str(), 1500, &narrow);
    EXPECT_EQ(narrow.cx, drawer.TextExtent(ascii).width);
    ::DeleteObject(font);
}

TEST(WinDrawerText, EmptyTextMeasuresZeroWideAndFillsOnlyItsRectangle) {
    Canvas canvas(20, 20);
    CWinDrawer drawer;
    drawer.AttachDC(canvas.Dc());
    CMyASCIIString empty;
    EXPECT_EQ(0, drawer.TextExtent(empty).width);
    drawer.SetBackgroundColor(RGB(0, 0, 255), nullptr);
    drawer.TextOutput(2, 2, {2, 2, 5, 5}, empty);
    EXPECT_EQ(16, canvas.Count(RGB(0, 0, 255)));
}

namespace {

// A bitmap file image of 2 x 2 pixels, 24-bit, bottom-up: white, red / red, white.
std::vector<unsigned char> TwoByTwoImage() {
    std::vector<unsigned char> image(14 + 40 + 16, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            image[at + i] = (v >> (8 * i)) & 0xFF;
    };
    image[0] = 'B';
    image[1] = 'M';
    put32(2, uint32_t(image.size()));
    put32(10, 14 + 40);
    put32(14, 40);
    put32(18, 2);
    put32(22, 2);
    image[26] = 1;  // planes
    image[28] = 24; // bits per pixel
    // Rows of 6 bytes padded to 8, blue-green-red.
    const unsigned char rows[2][8] = {{0, 0, 255, 255, 255, 255}, {255, 255, 255, 0, 0, 255}};
    std::copy(rows[0], rows[0] + 8, image.begin() + 54);
    std::copy(rows[1], rows[1] + 8, image.begin() + 62);
    return image;
}

} // namespace

TEST(WinDrawerBitmaps, ImageIsStretchedWithWhiteTransparentOrCopiedWhole) {
    std::vector<unsigned char> image = TwoByTwoImage();
    Canvas canvas(20, 20);
    CWinDrawer drawer;
    drawer.AttachDC(canvas.Dc());
    DrawSize size = drawer.BitmapImageSize(image.data());
    EXPECT_EQ(2, size.width);
    EXPECT_EQ(2, size.height);

    const COLORREF blue = RGB(0, 0, 255), red = RGB(255, 0, 0);
    canvas.Clear(blue);
    EXPECT_NE(0, drawer.DrawBitmapImage(image.data(), 4, 4, 8, 8, {0, 0}, true));
    EXPECT_EQ(32, canvas.Count(red));   // two pixels, each stretched to 4 x 4
    EXPECT_EQ(0, canvas.Count(kWhite)); // white is see-through
    EXPECT_EQ(blue, canvas.At(4, 4));   // the top row, stored last, is white then red
    EXPECT_EQ(red, canvas.At(11, 4));
    EXPECT_EQ(red, canvas.At(4, 11));

    canvas.Clear(blue);
    EXPECT_NE(0, drawer.DrawBitmapImage(image.data(), 4, 4, 2, 2, {0, 0}, false));
    EXPECT_EQ(2, canvas.Count(red));
    EXPECT_EQ(2, canvas.Count(kWhite));
}

TEST(WinDrawerBitmaps, BitmapIsCopiedFromTheSourcePointAndStaysTheCallers) {
    Canvas canvas(20, 20);
    HBITMAP bitmap = ::CreateCompatibleBitmap(canvas.Dc(), 6, 6);
    {
        HDC dc = ::CreateCompatibleDC(canvas.Dc());
        HGDIOBJ old = ::SelectObject(dc, bitmap);
        RECT all = {0, 0, 6, 6}, corner = {3, 3, 6, 6};
        ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        HBRUSH green = ::CreateSolidBrush(RGB(0, 255, 0));
        ::FillRect(dc, &corner, green);
        ::DeleteObject(green);
        ::SelectObject(dc, old);
        ::DeleteDC(dc);
    }
    CWinDrawer drawer;
    drawer.AttachDC(canvas.Dc());
    EXPECT_NE(0, drawer.DrawBitmap(bitmap, 10, 10, 3, 3, {3, 3}));
    EXPECT_EQ(9, canvas.Count(RGB(0, 255, 0)));
    EXPECT_EQ(RGB(0, 255, 0), canvas.At(10, 10));
    EXPECT_EQ(RGB(0, 255, 0), canvas.At(12, 12));
    EXPECT_TRUE(::DeleteObject(bitmap)) << "not left selected in the drawer's memory context";
}

TEST(WinDrawerObjects, SelectObjectReturnsThePreviousObject) {
    Canvas canvas(10, 10);
    CWinDrawer drawer;
    drawer.AttachDC(canvas.Dc());
    HGDIOBJ original = ::GetCurrentObject(canvas.Dc(), OBJ_BRUSH);
    EXPECT_EQ(original, drawer.SelectObject(::GetStockObject(GRAY_BRUSH)));
    EXPECT_EQ(::GetStockObject(GRAY_BRUSH), drawer.SelectObject(original));
}

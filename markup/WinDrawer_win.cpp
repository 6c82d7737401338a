#include "markup/WinDrawer_win.h"

#include <cstring>
#include <new>

namespace NSMyWTLWrapper {

namespace {

// UTF-16 units of a text run that are converted without allocating.
constexpr uint32_t kStackUnits = 1000;

// The table's White and Black, for which the stock pens stand in.
constexpr ColorValue kWhite = 0xFFFFFF;
constexpr ColorValue kBlack = 0x000000;

const char* EmptyNarrow() {
    InitStringConstants();
    return g_emptyString.Data() ? g_emptyString.Data() : "";
}

// The characters of an ASCII-only run as the narrow calls take them.
const char* NarrowChars(const CMyASCIIString& text) {
    return text.Count() ? text.Data() : EmptyNarrow();
}

// The UTF-16 form of a run for the wide calls. It lives in a stack buffer while it fits; a longer run
// moves to the heap, so it is still measured and drawn whole. A run that cannot be converted is empty.
class WideRun {
public:
    explicit WideRun(const CMyASCIIString& text) {
        m_string.Attach(m_buffer, kStackUnits);
        if (!ToWide(m_string, text))
            m_string.Free();
    }
    WideRun(const WideRun&) = delete;
    WideRun& operator=(const WideRun&) = delete;

    const wchar_t* Chars() const { return m_string.Count() ? m_string.Data() : L""; }
    int Length() const { return int(m_string.Count()); }

private:
    wchar_t m_buffer[kStackUnits];
    CMyWideString m_string;
};

RECT InclusiveToGdi(const DrawRect& r) {
    return {r.left, r.top, r.right + 1, r.bottom + 1};
}

int32_t ReadLong(const unsigned char* bytes) {
    int32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// A drawer that the window services opened; it gives back the device context it obtained itself.
class CServiceDrawer : public CWinDrawer {
public:
    CServiceDrawer(HWND window, HDC dc, bool releaseDc) : m_window(window), m_dc(dc), m_releaseDc(releaseDc) {
        AttachDC(dc);
    }
    ~CServiceDrawer() override {
        if (m_releaseDc)
            ::ReleaseDC(m_window, m_dc);
    }

private:
    HWND m_window;
    HDC m_dc;
    bool m_releaseDc;
};

} // namespace

CWinDrawer::~CWinDrawer() {
    if (m_memory)
        ::DeleteDC(m_memory);
}

void CWinDrawer::AttachDC(HDC dc) {
    if (dc == m_target)
        return;
    m_target = dc;
    if (m_memory)
        ::DeleteDC(m_memory);
    m_memory = dc ? ::CreateCompatibleDC(dc) : nullptr;
}

uint32_t CWinDrawer::SetTextAlignment(int mode) {
    UINT align = mode == 1 ? TA_CENTER : mode == 2 ? TA_RIGHT : TA_LEFT | TA_TOP;
    return ::SetTextAlign(m_target, align);
}

int CWinDrawer::GetTextAlignment() {
    UINT align = ::GetTextAlign(m_target);
    // TA_CENTER shares its bit with TA_RIGHT, so it is tested first.
    if ((align & TA_CENTER) == TA_CENTER)
        return 1;
    if ((align & TA_RIGHT) == TA_RIGHT)
        return 2;
    return 0;
}

DrawPen* CWinDrawer::SelectPen(int style, int width, const ColorValue& colour) {
    if (style != PS_DASH && style != PS_DOT && style != PS_DASHDOT)
        style = PS_SOLID;
    if (style == PS_SOLID && (colour == kWhite || colour == kBlack)) {
        ::SelectObject(m_target, ::GetStockObject(colour == kWhite ? WHITE_PEN : BLACK_PEN));
        return nullptr;
    }
    HPEN pen = ::CreatePen(style, width, COLORREF(colour));
    if (!pen)
        return nullptr;
    ::SelectObject(m_target, pen);
    DrawPen* holder = new (std::nothrow) DrawPen{pen};
    if (!holder) {
        ::SelectObject(m_target, ::GetStockObject(BLACK_PEN));
        ::DeleteObject(pen);
    }
    return holder;
}

void CWinDrawer::ReleasePen(DrawPen* pen) {
    if (!pen)
        return;
    // A pen still selected cannot be deleted; the stock pen takes its place.
    if (m_target && ::GetCurrentObject(m_target, OBJ_PEN) == pen->pen)
        ::SelectObject(m_target, ::GetStockObject(BLACK_PEN));
    ::DeleteObject(pen->pen);
    delete pen;
}

DrawSize CWinDrawer::TextExtent(const CMyASCIIString& text) {
    SIZE size = {0, 0};
    if (text.IsAscii()) {
        ::GetTextExtentPoint32A(m_target, NarrowChars(text), int(text.Count()), &size);
    } else {
        WideRun wide(text);
        ::GetTextExtentPoint32W(m_target, wide.Chars(), wide.Length(), &size);
    }
    return {int32_t(size.cx), int32_t(size.cy)};
}

bool CWinDrawer::HorizontalLine(int32_t x1, int32_t y, int32_t x2) {
    ::MoveToEx(m_target, x1, y, nullptr);
    // LineTo leaves out its end point: one step further draws x2 itself.
    return ::LineTo(m_target, x2 >= x1 ? x2 + 1 : x2 - 1, y);
}

bool CWinDrawer::VerticalLine(int32_t x, int32_t y1, int32_t y2) {
    ::MoveToEx(m_target, x, y1, nullptr);
    return ::LineTo(m_target, x, y2 >= y1 ? y2 + 1 : y2 - 1);
}

bool CWinDrawer::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    ::MoveToEx(m_target, x1, y1, nullptr);
    return ::LineTo(m_target, x2, y2);
}

bool CWinDrawer::RectangleOutline(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    ::MoveToEx(m_target, left, top, nullptr);
    BOOL ok = ::LineTo(m_target, right, top);
    ok &= ::LineTo(m_target, right, bottom);
    ok &= ::LineTo(m_target, left, bottom);
    ok &= ::LineTo(m_target, left, top);
    return ok;
}

bool CWinDrawer::Circle(const DrawPoint& centre, int32_t radius) {
    return ::Ellipse(m_target, centre.x - radius, centre.y - radius, centre.x + radius, centre.y + radius);
}

void CWinDrawer::TextOutput(int32_t x, int32_t y, const DrawRect& clip, const CMyASCIIString& text) {
    RECT rect = InclusiveToGdi(clip);
    const UINT options = ETO_OPAQUE | ETO_CLIPPED;
    if (text.IsAscii()) {
        ::ExtTextOutA(m_target, x, y, options, &rect, NarrowChars(text), UINT(text.Count()), nullptr);
    } else {
        WideRun wide(text);
        ::ExtTextOutW(m_target, x, y, options, &rect, wide.Chars(), UINT(wide.Length()), nullptr);
    }
}

bool CWinDrawer::FillRectangle(const DrawRect& rect, const ColorValue& colour) {
    HBRUSH brush = ::CreateSolidBrush(COLORREF(colour));
    if (!brush)
        return 0;
    RECT gdiRect = InclusiveToGdi(rect);
    int result = ::FillRect(m_target, &gdiRect, brush);
    ::DeleteObject(brush);
    return result;
}

ColorValue CWinDrawer::SetBackgroundColor(const ColorValue& colour, ColorValue* previous) {
    ColorValue old = ::SetBkColor(m_target, COLORREF(colour));
    if (previous)
        *previous = old;
    return old;
}

ColorValue CWinDrawer::SetTextColor(const ColorValue& colour, ColorValue* previous) {
    ColorValue old = ::SetTextColor(m_target, COLORREF(colour));
    if (previous)
        *previous = old;
    return old;
}

bool CWinDrawer::DrawBitmap(BitmapHandle bitmap, int32_t x, int32_t y, int32_t width, int32_t height,
                            const DrawPoint& source) {
    if (!m_memory)
        return 0;
    HGDIOBJ old = ::SelectObject(m_memory, static_cast<HGDIOBJ>(bitmap));
    int result = ::BitBlt(m_target, x, y, width, height, m_memory, source.x, source.y, SRCCOPY);
    // The bitmap stays the caller's: it must not remain selected here.
    ::SelectObject(m_memory, old);
    return result;
}

bool CWinDrawer::DrawBitmapImage(const unsigned char* image, int32_t x, int32_t y, int32_t width,
                                 int32_t height, const DrawPoint& source, bool transparent) {
    if (!image || !m_memory)
        return 0;
    const auto* info = reinterpret_cast<const BITMAPINFOHEADER*>(image + sizeof(BITMAPFILEHEADER));
    const unsigned char* bits = image + (ReadLong(image + 10) & 0xFFFF);
    HBITMAP bitmap = ::CreateDIBitmap(m_target, info, CBM_INIT, bits,
                                      reinterpret_cast<const BITMAPINFO*>(info), DIB_RGB_COLORS);
    if (!bitmap)
        return 0;
    HGDIOBJ old = ::SelectObject(m_memory, bitmap);
    BOOL result;
    if (transparent) {
        DrawSize whole = BitmapImageSize(image);
        int32_t wholeHeight = whole.height < 0 ? -whole.height : whole.height;
        result =
            ::TransparentBlt(m_target, x, y, width, height, m_memory, 0, 0, whole.width, wholeHeight, kWhite);
    } else {
        result = ::BitBlt(m_target, x, y, width, height, m_memory, source.x, source.y, SRCCOPY);
    }
    ::SelectObject(m_memory, old);
    ::DeleteObject(bitmap);
    return result;
}

DrawSize CWinDrawer::BitmapImageSize(const unsigned char* image) {
    if (!image)
        return {0, 0};
    return {ReadLong(image + 18), ReadLong(image + 22)};
}

GdiObject CWinDrawer::SelectObject(GdiObject object) {
    return ::SelectObject(m_target, static_cast<HGDIOBJ>(object));
}

// Window services

CDrawerBase* CGdiWindowServices::OpenWindowDrawer(WindowHandle window) {
    HWND hwnd = static_cast<HWND>(window);
    HDC dc = ::GetDC(hwnd);
    if (!dc)
        return nullptr;
    CDrawerBase* drawer = new (std::nothrow) CServiceDrawer(hwnd, dc, true);
    if (!drawer)
        ::ReleaseDC(hwnd, dc);
    return drawer;
}

CDrawerBase* CGdiWindowServices::OpenDrawer(DeviceContext dc) {
    if (!dc)
        return nullptr;
    return new (std::nothrow) CServiceDrawer(nullptr, static_cast<HDC>(dc), false);
}

void CGdiWindowServices::CloseDrawer(CDrawerBase* drawer) {
    delete drawer;
}

DrawRect CGdiWindowServices::ClientRect(WindowHandle window) {
    RECT rect = {0, 0, 0, 0};
    ::GetClientRect(static_cast<HWND>(window), &rect);
    // GDI's rectangle excludes its right and bottom edges; ours includes them.
    return {rect.left, rect.top, rect.right - 1, rect.bottom - 1};
}

void CGdiWindowServices::InvalidateWindow(WindowHandle window) {
    ::InvalidateRect(static_cast<HWND>(window), nullptr, TRUE);
}

FontHandle CGdiWindowServices::CreateVariantFont(FontHandle base, FontVariant variant) {
    LOGFONTA description;
    if (!base ||
        ::GetObjectA(static_cast<HFONT>(base), sizeof description, &description) != sizeof description)
        return nullptr;
    if (variant == Underlined)
        description.lfUnderline = TRUE;
    else
        description.lfWeight = FW_BOLD;
    return ::CreateFontIndirectA(&description);
}

void CGdiWindowServices::DeleteFont(FontHandle font) {
    if (font)
        ::DeleteObject(static_cast<HFONT>(font));
}

ColorValue CGdiWindowServices::ButtonFaceColor() {
    return ::GetSysColor(COLOR_BTNFACE);
}

CGdiWindowServices& GdiWindowServices() {
    static CGdiWindowServices services;
    return services;
}

} // namespace NSMyWTLWrapper
